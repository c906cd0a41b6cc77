#include "mainwin/ClipCommands.h"

#include "core/TableLoader.h"
#include "engine/CodePages.h"
#include "engine/CodeTables.h"
#include "engine/ConvertStream.h"
#include "engine/Detect.h"
#include "engine/FixTables.h"
#include "engine/HtmlRefs.h"
#include "engine/TableConvert.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"
#include "mainwin/ClipHtml.h"
#include "mainwin/ClipTexts.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Message.h"
#include "platform/Sound.h"
#include "settings/ProgramSettings.h"

#include <chrono>
#include <optional>

namespace tessarim {

namespace {

// Stands in for characters the typeface change must not touch; the code
// pages carry it through unchanged.
constexpr char16_t Marker = 0x001F;
constexpr std::size_t QuestionThreshold = 8;

std::string TextOfBlock(std::string_view block) {
    return std::string(block.substr(0, block.find('\0')));
}

std::string Read(Clipboard& clipboard, unsigned format) {
    std::string block;
    ReadClipboardFormat(clipboard, format, block);
    return block;
}

// Replaces everything on the clipboard with one format.
void Replace(Clipboard& clipboard, unsigned format, std::string_view block) {
    const ClipboardSession session(clipboard);
    clipboard.EmptyClipboard();
    WriteClipboardFormat(clipboard, format, block, block.size());
}

std::string Terminated(std::string text) {
    text += '\0';
    return text;
}

// One reference per character: a pair of surrogates is one character beyond the
// basic plane, and a reference to a surrogate shows as U+FFFD in any browser.
// A surrogate without its partner keeps a reference of its own.
std::string Notation(std::u16string_view text, bool hex) {
    std::string out;
    out.reserve(4 * text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t value = text[i];
        if (value < 0x80) {
            out += static_cast<char>(value);
            continue;
        }
        // A surrogate pair is one character and gets one reference.
        if (value >= 0xD800 && value < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            value = 0x10000 + ((value - 0xD800) << 10) + (text[++i] - 0xDC00u);
        AppendNumericReference(out, value, hex);
    }
    return out;
}

std::u16string Widened(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

bool IsChinese(char16_t unit) {
    return EncodeUnit(unit, CodePageGbk) >= 0x100 || EncodeUnit(unit, CodePageBig5) >= 0x100;
}

// A character the change to Simplified could only write as "?": code page 936
// lacks it, and Big5 either lacks it too or has no GBK form for it.
bool LostToSimplified(char16_t unit) {
    if (unit < 0x80 || EncodeUnit(unit, CodePageGbk) != 0) return false;
    const unsigned big5 = EncodeUnit(unit, CodePageBig5);
    return big5 < 0x100 || Big5ToGbTable()[big5 - 0x8000] == GbWhiteSquare;
}

} // namespace

void ConvertUnicodeFace(std::u16string& text, Face face, FixTables* fixTables) {
    if (face != FaceS) {
        ConvertFaceW(text, face, fixTables); // keeps what it cannot map
        return;
    }
    std::u16string saved;
    for (char16_t& unit : text) {
        if (unit == Marker || LostToSimplified(unit)) {
            saved += unit;
            unit = Marker;
        }
    }
    ConvertFaceW(text, FaceS, fixTables);
    std::size_t next = 0;
    for (char16_t& unit : text) {
        if (unit != Marker || next == saved.size()) continue;
        unit = saved[next++];
    }
}

bool LooksLikeFace(const std::u16string& text, Face face, FixTables* fixTables) {
    // Judged by its start, as the detector judges 8-bit text.
    const std::u16string sample = text.substr(0, DetectFileSampleSize);
    std::size_t chinese = 0;
    for (const char16_t unit : sample)
        if (IsChinese(unit) && ++chinese == QuestionThreshold) break;
    if (chinese < QuestionThreshold) return false;
    std::u16string same = sample;
    ConvertUnicodeFace(same, face, fixTables);
    if (same != sample) return false;
    std::u16string other = sample;
    ConvertUnicodeFace(other, face == FaceT ? FaceS : FaceT, fixTables);
    return other != sample;
}

ClipCommands::ClipCommands(ClipDesktop desktop, ProgramSettings& settings, int systemCodePage)
    : groupSeparator(LocaleGroupSeparator()), GetTickCount([] {
          return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count());
      }),
      desktop_(desktop), settings_(settings), codePage_(systemCodePage),
      fixTables_(ProgramFixTables()) {}

bool ClipCommands::UnicodeDesktop() const {
    return codePage_ != CodePageGbk && codePage_ != CodePageBig5;
}

std::string ClipCommands::Count(std::uint64_t count) const {
    return FormatCount(count, groupSeparator);
}

std::string ClipCommands::Elapsed(std::uint64_t start) const {
    const std::uint64_t end = GetTickCount();
    const double seconds = static_cast<double>(end >= start ? end - start : start - end) / 1000;
    const ClipTexts& texts = ClipTextsFor(settings_.Lang);
    return texts.TimeLabel + FormatSeconds(texts.TimePattern, seconds);
}

void ClipCommands::Report(const std::string& text) {
    PlayDoneSound();
    if (settings_.MsgClipConFinished) ShowMessage(MessageKind::Information, text);
}

void ClipCommands::PlayDoneSound() {
    tessarim::PlayDoneSound(desktop_.sound, settings_.Sound, settings_.WaveFile);
}

void ClipCommands::PasteToForeground() {
    desktop_.paste.PasteToForeground();
}

bool ClipCommands::Confirm(const std::string& question, std::uint64_t& start) {
    const std::uint64_t asked = GetTickCount();
    const bool yes = desktop_.dialogs.AskYesNo(question);
    // The time the user took to answer is not part of the conversion's time.
    start += GetTickCount() - asked;
    return yes;
}

std::u16string ClipCommands::ReadUnicodeText(bool hasUnicode) {
    if (hasUnicode) return UnicodeTextOfBlock(Read(desktop_.clipboard, CF_UNICODETEXT));
    return AnsiToWide(TextOfBlock(Read(desktop_.clipboard, CF_TEXT)), codePage_);
}

void ClipCommands::ConvertGbkToBig5() {
    GbBig5Command(GbToBig5);
}

void ClipCommands::ConvertBig5ToGbk() {
    GbBig5Command(Big5ToGb);
}

void ClipCommands::GbBig5Command(Direction direction) {
    Clipboard& clipboard = desktop_.clipboard;
    const bool hasUnicode = clipboard.IsClipboardFormatAvailable(CF_UNICODETEXT);
    const bool hasAnsi = clipboard.IsClipboardFormatAvailable(CF_TEXT);
    if (!hasUnicode && !hasAnsi) return;
    std::uint64_t start = GetTickCount();
    // Desktop programs offer Unicode text: its bytes in the system code page
    // would be a lossy copy, and GBK or Big5 bytes of it meaningless to them.
    if (hasUnicode || UnicodeDesktop()) {
        GbBig5UnicodeCommand(direction, hasUnicode, start);
        return;
    }

    std::string buffer;
    if (hasAnsi) {
        buffer = TextOfBlock(Read(clipboard, CF_TEXT));
        if (buffer.empty() && !hasUnicode) return;
    }
    std::size_t size = buffer.size();
    if (buffer.empty()) {
        buffer = WideToAnsi(UnicodeTextOfBlock(Read(clipboard, CF_UNICODETEXT)), codePage_);
        size = buffer.size();
    } else {
        buffer += '\0';
    }

    const bool toBig5 = direction == GbToBig5;
    const ClipTexts& texts = ClipTextsFor(settings_.Lang);
    if (HasDoubleByteText(buffer) && DetectStream(buffer) == (toBig5 ? BIG5 : GBK) &&
        !Confirm(toBig5 ? texts.GtoBQuestion : texts.BtoGQuestion, start))
        return;
    ConvertOptions options;
    options.source = toBig5 ? GBK : BIG5;
    options.target = toBig5 ? BIG5 : GBK;
    options.face = toBig5 ? FaceT : FaceS;
    // Numeric references in clipboard text are never touched.
    options.decodeReferences = false;
    ConvertStream(buffer, options, WholeText, &fixTables_);
    Replace(clipboard, CF_TEXT, Terminated(TextOfBlock(buffer)));
    const std::string elapsed = Elapsed(start);
    Report((toBig5 ? texts.GtoBHead : texts.BtoGHead) + Count(size) + texts.Unit + "\r\n\r\n" +
           elapsed);
}

void ClipCommands::GbBig5UnicodeCommand(Direction direction, bool hasUnicode, std::uint64_t start) {
    const bool toBig5 = direction == GbToBig5;
    const Face face = toBig5 ? FaceT : FaceS;
    std::u16string text = ReadUnicodeText(hasUnicode);
    const ClipTexts& texts = ClipTextsFor(settings_.Lang);
    if (LooksLikeFace(text, face, &fixTables_) &&
        !Confirm(toBig5 ? texts.GtoBQuestion : texts.BtoGQuestion, start))
        return;
    // The size of the text as the desktop carries it.
    const std::size_t size = WideToUtf8(text).size();
    ConvertUnicodeFace(text, face, &fixTables_);
    Replace(desktop_.clipboard, CF_UNICODETEXT, UnicodeTextBlock(text));
    const std::string elapsed = Elapsed(start);
    Report((toBig5 ? texts.GtoBHead : texts.BtoGHead) + Count(size) + texts.Unit + "\r\n\r\n" +
           elapsed);
}

void ClipCommands::ConvertUnicodeTypeface(Face face) {
    Clipboard& clipboard = desktop_.clipboard;
    const unsigned htmlFormat = clipboard.RegisterClipboardFormat(HtmlFormatName);
    const bool hasHtml = clipboard.IsClipboardFormatAvailable(htmlFormat);
    const bool hasUnicode = clipboard.IsClipboardFormatAvailable(CF_UNICODETEXT);
    if (!hasUnicode && !clipboard.IsClipboardFormatAvailable(CF_TEXT)) return;
    // Busy until the work is done; the message box that follows waits for the user.
    std::optional<BusyCursor> busy;
    busy.emplace(desktop_.dialogs);
    const std::uint64_t start = GetTickCount();

    const std::u16string source = ReadUnicodeText(hasUnicode);
    const bool withHtml = hasHtml && settings_.CF_HTML_Support;
    std::string html;
    if (withHtml) {
        html = TextOfBlock(Read(clipboard, htmlFormat));
        ConvertHtmlFragment(html, face, codePage_, settings_.Fix_UNN, &fixTables_);
    }
    std::string units = UnicodeTextBlock(source);
    units.resize(units.size() - 2); // the text without its terminator
    ConvertOptions options;
    options.source = options.target = ULE;
    options.face = face;
    options.decodeReferences = settings_.Fix_UNN;
    ConvertStream(units, options, WholeText, &fixTables_);
    const std::u16string result = UnicodeTextOfBlock(units);

    // Converted before the clipboard is emptied, so a failure leaves it as it was.
    {
        const ClipboardSession session(clipboard);
        clipboard.EmptyClipboard();
        const std::string blocks[] = {Terminated(html), UnicodeTextBlock(result),
                                      Terminated(WideToAnsi(result, codePage_))};
        if (withHtml) WriteClipboardFormat(clipboard, htmlFormat, blocks[0], blocks[0].size());
        WriteClipboardFormat(clipboard, CF_UNICODETEXT, blocks[1], blocks[1].size());
        WriteClipboardFormat(clipboard, CF_TEXT, blocks[2], blocks[2].size());
    }

    std::string message;
    if (withHtml) message = "CF_HTML: " + Count(html.size()) + " bytes\r\n\r\n";
    message += "Unicode: " + Count(2 * source.size()) + " bytes\r\n\r\n" + Elapsed(start);
    busy.reset();
    Report(message);
}

void ClipCommands::WriteNumericNotation(bool hex) {
    Clipboard& clipboard = desktop_.clipboard;
    const bool hasUnicode = clipboard.IsClipboardFormatAvailable(CF_UNICODETEXT);
    if (!hasUnicode && !clipboard.IsClipboardFormatAvailable(CF_TEXT)) return;
    std::optional<BusyCursor> busy;
    busy.emplace(desktop_.dialogs);
    const std::uint64_t start = GetTickCount();

    std::u16string text = ReadUnicodeText(hasUnicode);
    const std::size_t size = 2 * text.size();
    // Text already in either notation is normalised first.
    DecodeNumericRefs(text);
    const std::string ascii = Notation(text, hex);
    {
        const ClipboardSession session(clipboard);
        clipboard.EmptyClipboard();
        const std::string blocks[] = {UnicodeTextBlock(Widened(ascii)), Terminated(ascii)};
        WriteClipboardFormat(clipboard, CF_UNICODETEXT, blocks[0], blocks[0].size());
        WriteClipboardFormat(clipboard, CF_TEXT, blocks[1], blocks[1].size());
    }
    const std::string message =
        std::string(hex ? "Unicode > Hex Notation\r\n\r\n" : "Unicode > Decimal Notation\r\n\r\n") +
        "Total: " + Count(size) + " bytes\r\n\r\n" + Elapsed(start);
    busy.reset();
    Report(message);
}

void ClipCommands::RunHotKey(int index) {
    switch (index) {
    case 0:
        GbBig5HotKey(GbToBig5);
        break;
    case 1:
        GbBig5HotKey(Big5ToGb);
        break;
    case 2:
        UnicodeHotKey(FaceT);
        break;
    case 3:
        UnicodeHotKey(FaceS);
        break;
    default:
        break;
    }
}

void ClipCommands::GbBig5HotKey(Direction direction) {
    Clipboard& clipboard = desktop_.clipboard;
    const std::uint8_t command = direction == GbToBig5 ? 1 : 2;
    const bool hasUnicode = clipboard.IsClipboardFormatAvailable(CF_UNICODETEXT);
    if (!hasUnicode && !clipboard.IsClipboardFormatAvailable(CF_TEXT)) return;
    if (LastHotKeyCommand == command && !ClipboardChanged) return;
    if (hasUnicode || UnicodeDesktop()) {
        std::u16string text = ReadUnicodeText(hasUnicode);
        ConvertUnicodeFace(text, direction == GbToBig5 ? FaceT : FaceS, &fixTables_);
        Replace(clipboard, CF_UNICODETEXT, UnicodeTextBlock(text));
    } else {
        const std::string block = ConvertBytes(Read(clipboard, CF_TEXT), direction, &fixTables_);
        Replace(clipboard, CF_TEXT, Terminated(TextOfBlock(block)));
    }
    // After the write, whose own change notice set the flag.
    ClipboardChanged = false;
    LastHotKeyCommand = command;
    PlayDoneSound();
    if (PasteAfrHotKey) PasteToForeground();
}

void ClipCommands::UnicodeHotKey(Face face) {
    if (!UnicodeAvailable) return;
    {
        const ScopedValue quiet(settings_.MsgClipConFinished, false);
        ConvertUnicodeTypeface(face);
    }
    if (PasteAfrHotKey) PasteToForeground();
}

} // namespace tessarim
