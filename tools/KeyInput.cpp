#include "tools/KeyInput.h"

#include "platform/KeySynth.h"

#include <cctype>

namespace tessarim {

namespace {

constexpr std::uint32_t ShiftKeysym = 0xffe1;
constexpr std::uint32_t ControlKeysym = 0xffe3;
constexpr std::uint32_t AltKeysym = 0xffe9;

constexpr std::array<KeywordRow, KeywordCount> Keywords{{
    {"[BACK]", 0x08, 0xff08, "= Back Space"},
    {"[TAB]", 0x09, 0xff09, "= Tab"},
    {"[ENTER]", 0x0d, 0xff0d, "= Enter"},
    {"[ESC]", 0x1b, 0xff1b, "= Esc"},
    {"[F1]", 0xe4, 0xffbe, "= F1"},
    {"[F2]", 0xe5, 0xffbf, "= F2"},
    {"[F3]", 0xe6, 0xffc0, "= F3"},
    {"[F4]", 0xe7, 0xffc1, "= F4"},
    {"[F5]", 0xe8, 0xffc2, "= F5"},
    {"[F6]", 0xe9, 0xffc3, "= F6"},
    {"[F7]", 0xea, 0xffc4, "= F7"},
    {"[F8]", 0xeb, 0xffc5, "= F8"},
    {"[F9]", 0xec, 0xffc6, "= F9"},
    {"[F10]", 0xed, 0xffc7, "= F10"},
    {"[F11]", 0xee, 0xffc8, "= F11"},
    {"[F12]", 0xef, 0xffc9, "= F12"},
    {"[HOME]", 0xf0, 0xff50, "= Home"},
    {"[END]", 0xf1, 0xff57, "= End"},
    {"[UP]", 0xf2, 0xff52, "= Up"},
    {"[DOWN]", 0xf3, 0xff54, "= Down"},
    {"[LEFT]", 0xf4, 0xff51, "= Left"},
    {"[RIGHT]", 0xf5, 0xff53, "= Right"},
    {"[PGUP]", 0xf6, 0xff55, "= Page Up"},
    {"[PGDN]", 0xf7, 0xff56, "= Page Down"},
    {"[INS]", 0xf8, 0xff63, "= Insert"},
    {"[DEL]", 0xf9, 0xffff, "= Delete"},
    {"[SHIFT_DN]", 0xfa, ShiftKeysym, "= Shift (key down)"},
    {"[SHIFT_UP]", 0xfb, ShiftKeysym, "= Shift (key up)"},
    {"[CTRL_DN]", 0xfc, ControlKeysym, "= Ctrl (key down)"},
    {"[CTRL_UP]", 0xfd, ControlKeysym, "= Ctrl (key up)"},
    {"[ALT_DN]", 0xfe, AltKeysym, "= Alt (key down)"},
    {"[ALT_UP]", 0xff, AltKeysym, "= Alt (key up)"},
}};

// The keysym of a code below 0x20, a Windows virtual key; 0 for keys a
// keyboard here has no equivalent of (mouse buttons and the like).
std::uint32_t VirtualKeyKeysym(std::uint8_t vk) {
    switch (vk) {
    case 0x08:
        return 0xff08;
    case 0x09:
        return 0xff09;
    case 0x0d:
        return 0xff0d;
    case 0x10:
        return ShiftKeysym;
    case 0x11:
        return ControlKeysym;
    case 0x12:
        return AltKeysym;
    case 0x13:
        return 0xff13;
    case 0x14:
        return 0xffe5;
    case 0x1b:
        return 0xff1b;
    default:
        return 0;
    }
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

const std::array<KeywordRow, KeywordCount>& KeywordTable() {
    return Keywords;
}

std::string KeywordsToCodes(std::string_view text) {
    std::string result(text);
    for (const KeywordRow& row : Keywords) {
        const std::string keyword = row.keyword; // upper case already
        const std::string upper = Upper(result);
        std::string replaced;
        std::size_t from = 0;
        for (std::size_t at; (at = upper.find(keyword, from)) != std::string::npos;
             from = at + keyword.size()) {
            replaced.append(result, from, at - from);
            replaced += static_cast<char>(row.code);
        }
        replaced.append(result, from);
        result = std::move(replaced);
    }
    return result;
}

void SendKeyCodes(std::string_view codes, KeySynth& synth) {
    // Modifiers pressed by keywords and not yet released, in press order.
    std::string held;
    const auto modifierIndex = [](std::uint8_t code) { return (code - 0xfa) / 2; };
    constexpr std::uint32_t modifierKeysyms[] = {ShiftKeysym, ControlKeysym, AltKeysym};
    for (const char byte : codes) {
        const auto c = static_cast<std::uint8_t>(byte);
        if (c >= 0xfa) {
            const int m = modifierIndex(c);
            const bool press = (c & 1) == 0;
            const char tag = static_cast<char>('0' + m);
            const std::size_t at = held.find(tag);
            if (press && at == std::string::npos) held += tag;
            if (!press && at != std::string::npos) held.erase(at, 1);
            synth.Key(modifierKeysyms[m], press);
            continue;
        }
        std::uint32_t keysym = 0;
        bool shift = false;
        if (c >= 0xe4) {
            keysym = Keywords[static_cast<std::size_t>(4 + c - 0xe4)].keysym;
        } else if (c < 0x20) {
            keysym = VirtualKeyKeysym(c);
        } else {
            keysym = CharacterKeysym(c); // the byte as a Latin-1 character
            shift = held.empty() && synth.NeedsShift(keysym);
        }
        if (keysym == 0) continue;
        if (shift) synth.Key(ShiftKeysym, true);
        synth.Key(keysym, true);
        synth.Key(keysym, false);
        if (shift) synth.Key(ShiftKeysym, false);
    }
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        synth.Key(modifierKeysyms[*it - '0'], false);
}

KeySenderLogic::SendResult KeySenderLogic::Send(std::u16string& line, Direction direction) {
    state_.SendDirection = direction;
    if (!windows_.Exists(state_.TargetWindow)) return SendResult::NoTarget;
    if (!windows_.Activate(state_.TargetWindow)) return SendResult::NotActivated;
    if (!line.empty()) {
        const std::u16string converted = convert_(line, direction);
        line.clear();
        // By code point: a surrogate pair is one character.
        std::u32string characters;
        for (std::size_t i = 0; i < converted.size(); ++i) {
            char32_t c = converted[i];
            if (c >= 0xd800 && c < 0xdc00 && i + 1 < converted.size() &&
                converted[i + 1] >= 0xdc00 && converted[i + 1] < 0xe000)
                c = 0x10000 + ((c - 0xd800) << 10) + (converted[++i] - 0xdc00);
            characters += c;
        }
        synth_.Type(characters);
    }
    SendKeyCodes(state_.KeysAfterText, synth_);
    return SendResult::Sent;
}

BarRect InitialBarRect(int screenWidth, int screenHeight, int windowHeight) {
    return {screenWidth / 8, screenHeight - windowHeight - 36, screenWidth * 3 / 4, windowHeight};
}

BarRect KeepOnScreen(BarRect r, int screenWidth, int screenHeight) {
    if (r.x < 0)
        r.x = 0;
    else if (r.x + r.width > screenWidth - 1)
        r.x = screenWidth - r.width - 1;
    if (r.y < 0)
        r.y = 0;
    else if (r.y + r.height > screenHeight - 1)
        r.y = screenHeight - r.height - 1;
    return r;
}

Direction DefaultSendDirection(int codePage) {
    return codePage == 936 ? GbToBig5 : Big5ToGb;
}

std::string LineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out += '\n';
    }
    return out;
}

const KeySenderTexts* KeySenderTextsFor(std::int64_t lang) {
    static const KeySenderTexts texts[] = {
        {"Get Title", "Select the application to send converted string to", "GB to Big5",
         "Big5 to GB", "Close", "Window does not exist!\r\rPlease select one."},
        {"標題", "選擇字串送出的視窗", "簡轉繁 (GB > Big5)", "繁轉簡 (Big5 > GB)", "關閉",
         "視窗不存在！\r\n\r\n請選擇目標視窗。"},
        {"标题", "选择字串送出的视窗", "简转繁 (GB > Big5)", "繁转简 (Big5 > GB)", "关闭",
         "视窗不存在！\r\n\r\n请选择目标视窗。"},
    };
    return lang >= 0 && lang <= 2 ? &texts[lang] : nullptr;
}

} // namespace tessarim
