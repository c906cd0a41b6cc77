#pragma once
// The clipboard with the formats the commands speak: 8-bit text in the system
// code page (CF_TEXT), UTF-16 text (CF_UNICODETEXT) and "HTML Format", an HTML
// block with a header of offsets. The desktop's clipboard holds MIME data; the
// Qt implementation presents it in these formats and publishes what the
// program writes back as MIME data.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tessarim {

inline constexpr unsigned CF_TEXT = 1;
inline constexpr unsigned CF_UNICODETEXT = 13;
inline constexpr std::string_view HtmlFormatName = "HTML Format";

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // The id of a named format, the same for every call with that name.
    virtual unsigned RegisterClipboardFormat(std::string_view name) = 0;
    virtual bool IsClipboardFormatAvailable(unsigned format) = 0;

    // Opening and closing nest; the writes of the outermost open-close pair are
    // published together when it closes, and replace whatever the clipboard
    // held: the desktop's clipboard takes only a whole set of formats. A pair
    // that emptied the clipboard and wrote nothing leaves it empty.
    virtual void OpenClipboard() = 0;
    virtual void CloseClipboard() = 0;
    virtual void EmptyClipboard() = 0;

    // A format's whole block: text with its terminator (one zero byte, or one
    // zero code unit for CF_UNICODETEXT, low byte first). Nothing when absent.
    virtual std::optional<std::string> GetClipboardData(unsigned format) = 0;
    virtual void SetClipboardData(unsigned format, std::string_view block) = 0;
};

// Opens and closes around a scope, also when it is left by an exception.
class ClipboardSession {
public:
    explicit ClipboardSession(Clipboard& clipboard) : clipboard_(clipboard) {
        clipboard_.OpenClipboard();
    }
    ~ClipboardSession() { clipboard_.CloseClipboard(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;

private:
    Clipboard& clipboard_;
};

// Appends the format's whole block to stream; nothing when the format is absent.
void ReadClipboardFormat(Clipboard& clipboard, unsigned format, std::string& stream);
// Sets the format to the first count bytes of stream (all of them if fewer).
// It does not empty the clipboard; inside an open session it adds to the
// session's formats.
void WriteClipboardFormat(Clipboard& clipboard, unsigned format, std::string_view stream,
                          std::size_t count);

// The text of a CF_UNICODETEXT block, up to its zero code unit.
std::u16string UnicodeTextOfBlock(std::string_view block);
// Text as a CF_UNICODETEXT block, low byte first, with its zero code unit.
std::string UnicodeTextBlock(std::u16string_view text);

// An HTML text as an "HTML Format" block: the header with the byte offsets of
// the document and the fragment, the document <html><body> with the fragment
// between <!--StartFragment--> and <!--EndFragment-->.
std::string HtmlClipboardBlock(std::string_view html);
// The HTML a block carries: what lies between the two fragment comments, else
// the block from its first "<" (after the header). The header's offsets are not
// used: programs that rewrite a block, the clipboard commands among them, leave
// them as they were.
std::string HtmlOfClipboardBlock(std::string_view block);

// The clipboard of the desktop (the CLIPBOARD selection on X11).
//
// CF_UNICODETEXT is the plain text. CF_TEXT is derived from it through the
// system code page, unless the clipboard holds the 8-bit bytes themselves
// (text/plain;charset=gbk or big5 on a GBK or Big5 system), which are taken
// as they are. Bytes written as CF_TEXT are published with that type, and,
// when no CF_UNICODETEXT is written with them, as plain text decoded through
// the system code page. "HTML Format" is text/html. Any other registered name
// is the MIME type of that name.
// Text in the system code page and back, as the program's own code-page tables
// convert it; the layer itself converts nothing.
struct CodePageText {
    std::function<std::u16string(std::string_view)> toWide;
    std::function<std::string(std::u16string_view)> toBytes;
};

class QtClipboard : public Clipboard {
public:
    QtClipboard(int systemCodePage, CodePageText codePageText);

    unsigned RegisterClipboardFormat(std::string_view name) override;
    bool IsClipboardFormatAvailable(unsigned format) override;
    void OpenClipboard() override;
    void CloseClipboard() override;
    void EmptyClipboard() override;
    std::optional<std::string> GetClipboardData(unsigned format) override;
    void SetClipboardData(unsigned format, std::string_view block) override;

private:
    std::optional<std::string> MimeTypeOf(unsigned format) const;
    void Publish();

    int codePage_;
    CodePageText text_;
    std::string charsetType_; // the 8-bit text's own MIME type, empty when it has none
    std::map<std::string, unsigned, std::less<>> registered_;
    int depth_ = 0;
    bool emptied_ = false;
    std::map<unsigned, std::string> written_;
};

} // namespace tessarim
