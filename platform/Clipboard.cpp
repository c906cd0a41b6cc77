#include "platform/Clipboard.h"

#include "platform/CodePage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace tessarim {

namespace {

constexpr std::string_view StartMarker = "<!--StartFragment-->";
constexpr std::string_view EndMarker = "<!--EndFragment-->";
constexpr unsigned FirstRegisteredFormat = 0xC000;

std::string_view UpToZero(std::string_view block) {
    return block.substr(0, block.find('\0'));
}

std::string Offset(std::size_t value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010zu", value);
    return digits;
}

QClipboard* DesktopClipboard() {
    return QGuiApplication::clipboard();
}

} // namespace

std::u16string UnicodeTextOfBlock(std::string_view block) {
    std::u16string text;
    text.reserve(block.size() / 2);
    for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(block[i]) |
                                                static_cast<unsigned char>(block[i + 1]) << 8);
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

std::string UnicodeTextBlock(std::u16string_view text) {
    std::string block;
    block.reserve(2 * text.size() + 2);
    for (const char16_t unit : text) {
        block += static_cast<char>(unit & 0xFF);
        block += static_cast<char>(unit >> 8);
    }
    block.append(2, '\0');
    return block;
}

void ReadClipboardFormat(Clipboard& clipboard, unsigned format, std::string& stream) {
    const ClipboardSession session(clipboard);
    if (const std::optional<std::string> block = clipboard.GetClipboardData(format))
        stream += *block;
}

void WriteClipboardFormat(Clipboard& clipboard, unsigned format, std::string_view stream,
                          std::size_t count) {
    const ClipboardSession session(clipboard);
    clipboard.SetClipboardData(format, stream.substr(0, std::min(count, stream.size())));
}

std::string HtmlClipboardBlock(std::string_view html) {
    // Five header lines of fixed length, so the offsets can be known before
    // they are written.
    const std::string documentStart = "<html><body>\r\n" + std::string(StartMarker);
    const std::string documentEnd = std::string(EndMarker) + "\r\n</body>\r\n</html>";
    const std::size_t headerSize = 105;
    const std::size_t startFragment = headerSize + documentStart.size();
    const std::size_t endFragment = startFragment + html.size();
    const std::size_t endHtml = endFragment + documentEnd.size();
    std::string block = "Version:0.9\r\nStartHTML:" + Offset(headerSize) +
                        "\r\nEndHTML:" + Offset(endHtml) +
                        "\r\nStartFragment:" + Offset(startFragment) +
                        "\r\nEndFragment:" + Offset(endFragment) + "\r\n";
    block += documentStart;
    block += html;
    block += documentEnd;
    return block;
}

std::string HtmlOfClipboardBlock(std::string_view block) {
    block = UpToZero(block);
    const std::size_t start = block.find(StartMarker);
    if (start != std::string_view::npos) {
        const std::size_t from = start + StartMarker.size();
        const std::size_t end = block.find(EndMarker, from);
        if (end != std::string_view::npos) return std::string(block.substr(from, end - from));
    }
    const std::size_t first = block.find('<');
    return first == std::string_view::npos ? std::string() : std::string(block.substr(first));
}

QtClipboard::QtClipboard(int systemCodePage, CodePageText codePageText)
    : codePage_(systemCodePage), text_(std::move(codePageText)) {
    if (codePage_ == CodePageGbk) charsetType_ = "text/plain;charset=gbk";
    if (codePage_ == CodePageBig5) charsetType_ = "text/plain;charset=big5";
}

unsigned QtClipboard::RegisterClipboardFormat(std::string_view name) {
    const auto found = registered_.find(name);
    if (found != registered_.end()) return found->second;
    const auto id = static_cast<unsigned>(FirstRegisteredFormat + registered_.size());
    registered_.emplace(std::string(name), id);
    return id;
}

std::optional<std::string> QtClipboard::MimeTypeOf(unsigned format) const {
    for (const auto& [name, id] : registered_)
        if (id == format) return name == HtmlFormatName ? "text/html" : name;
    return std::nullopt;
}

bool QtClipboard::IsClipboardFormatAvailable(unsigned format) {
    const QMimeData* data = DesktopClipboard()->mimeData();
    if (!data) return false;
    // Text offered only as GBK or Big5 bytes is 8-bit text alone.
    if (format == CF_UNICODETEXT) return data->hasText();
    if (format == CF_TEXT)
        return data->hasText() ||
               (!charsetType_.empty() && data->hasFormat(QString::fromStdString(charsetType_)));
    const std::optional<std::string> type = MimeTypeOf(format);
    return type && data->hasFormat(QString::fromStdString(*type));
}

std::optional<std::string> QtClipboard::GetClipboardData(unsigned format) {
    if (!IsClipboardFormatAvailable(format)) return std::nullopt;
    const QMimeData* data = DesktopClipboard()->mimeData();
    const bool ownBytes =
        !charsetType_.empty() && data->hasFormat(QString::fromStdString(charsetType_));
    const auto bytes = [&] {
        const QByteArray raw = data->data(QString::fromStdString(charsetType_));
        return std::string(UpToZero(std::string_view(raw.constData(), raw.size())));
    };
    if (format == CF_UNICODETEXT) {
        if (data->hasText()) return UnicodeTextBlock(data->text().toStdU16String());
        return UnicodeTextBlock(text_.toWide(bytes()));
    }
    if (format == CF_TEXT) {
        std::string text = ownBytes ? bytes() : text_.toBytes(data->text().toStdU16String());
        text += '\0';
        return text;
    }
    const std::string type = *MimeTypeOf(format);
    if (type == "text/html") {
        std::string block = HtmlClipboardBlock(data->html().toStdString());
        block += '\0';
        return block;
    }
    const QByteArray raw = data->data(QString::fromStdString(type));
    return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
}

void QtClipboard::OpenClipboard() {
    if (depth_++ > 0) return;
    emptied_ = false;
    written_.clear();
}

void QtClipboard::CloseClipboard() {
    if (depth_ == 0 || --depth_ > 0) return;
    if (emptied_ || !written_.empty()) Publish();
    emptied_ = false;
    written_.clear();
}

void QtClipboard::EmptyClipboard() {
    emptied_ = true;
    written_.clear();
}

void QtClipboard::SetClipboardData(unsigned format, std::string_view block) {
    const ClipboardSession session(*this); // a write outside a session is a session of its own
    written_[format] = std::string(block);
}

void QtClipboard::Publish() {
    auto mime = std::make_unique<QMimeData>();
    const auto unicode = written_.find(CF_UNICODETEXT);
    if (unicode != written_.end())
        mime->setText(QString::fromStdU16String(UnicodeTextOfBlock(unicode->second)));
    for (const auto& [format, block] : written_) {
        if (format == CF_UNICODETEXT) continue;
        if (format == CF_TEXT) {
            const std::string_view bytes = UpToZero(block);
            if (!charsetType_.empty())
                mime->setData(QString::fromStdString(charsetType_),
                              QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
            // As the system would derive it, also when the bytes are in the other code.
            if (unicode == written_.end())
                mime->setText(QString::fromStdU16String(text_.toWide(bytes)));
            continue;
        }
        const std::optional<std::string> type = MimeTypeOf(format);
        if (!type) continue;
        if (*type == "text/html")
            mime->setHtml(QString::fromStdString(HtmlOfClipboardBlock(block)));
        else
            mime->setData(QString::fromStdString(*type),
                          QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    }
    if (mime->formats().isEmpty())
        DesktopClipboard()->clear();
    else
        DesktopClipboard()->setMimeData(mime.release());
}

} // namespace tessarim
