#include "filewin/Preview.h"

#include "core/Paths.h"
#include "engine/CodePages.h"
#include "engine/ConvertStream.h"
#include "engine/Detect.h"
#include "engine/UnicodeBridge.h"
#include "engine/Utf8.h"
#include "filewin/FileCon.h"
#include "filewin/NameConvert.h"
#include "platform/CodePage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarim {

namespace {

const char* const CodeLabels[] = {"U-LE", "U-BE", "UTF-8"};

std::u16string Text(std::int64_t lang, const char* english, const char* traditional,
                    const char* simplified) {
    const char* text = lang == 1 ? traditional : lang == 2 ? simplified : english;
    std::size_t cut = 0;
    return Utf8ToWide(text, cut);
}

struct Sample {
    Bytes bytes;
    bool whole = true; // the file is no longer than the sample
    int error = 0;     // errno of a failed read
};

// At most PreviewLimit bytes; other programs may go on using the file.
Sample ReadSample(const std::string& path) {
    Sample sample;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        sample.error = errno;
        return sample;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        sample.error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        return sample;
    }
    sample.bytes.resize(PreviewLimit + 1);
    std::size_t got = 0;
    while (got < sample.bytes.size()) {
        const ssize_t n = read(fd, sample.bytes.data() + got, sample.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) sample.error = errno;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    sample.whole = got <= PreviewLimit;
    sample.bytes.resize(std::min(got, PreviewLimit));
    return sample;
}

// Bytes of a code as a pane shows them; a character cut off by the end of the
// sample is left out.
PaneContent Show(std::string_view bytes, Code code, bool whole, int charset,
                 bool decodeReferences) {
    PaneContent pane;
    if (code <= UTF8) {
        pane.label = CodeLabels[static_cast<int>(code)];
        pane.colour = PaneUnicode;
        std::size_t carry = 0;
        ReadUnicodeStream(bytes, code, BlockPosition{true, whole}, decodeReferences, pane.text,
                          carry);
        return pane;
    }
    if (!whole) bytes.remove_suffix(EndsWithLeadByte(bytes));
    pane.text = AnsiToWide(bytes, PaneCodePage(charset, code));
    return pane;
}

} // namespace

int PaneCodePage(int fontCharset, Code code) {
    if (fontCharset == PaneCharsetGb2312) return CodePageGbk;
    if (fontCharset == PaneCharsetBig5) return CodePageBig5;
    // Not the locale's code page: under zh_TW.BIG5 that would show every GBK
    // file garbled, and a font here has no character set of its own.
    return code == BIG5 ? CodePageBig5 : CodePageGbk; // notations are ASCII
}

PreviewContent PreviewFile(FileCon& con, const std::string& path, const PreviewOptions& options) {
    PreviewContent panes;
    const std::int64_t lang = con.Lang;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
        panes.source.text =
            Text(lang, "The file is no longer exists.", "檔案不存在。", "档案不存在。");
        return panes;
    }
    try {
        if (IsIgnoredFile(con.Rules.ignore, ExtractFileName(path)) || IsCompoundDocument(path)) {
            panes.source.text =
                Text(lang, "** NOT CONVERTABLE! **\r\n\r\nUnsupported file-type",
                     "** 不支援這類型檔案的轉換 **", "** 不支援这类型档案的转换 **");
            return panes;
        }
    } catch (const std::exception&) {
        // Unreadable: the read below says why.
    }
    Sample sample = ReadSample(path);
    if (sample.error != 0) {
        panes.source.text =
            Text(lang, "** Read Error! **\r\n", "** 閱讀錯誤 **\r\n", "** 阅读错误 **\r\n");
        std::size_t cut = 0;
        panes.source.text += Utf8ToWide(std::strerror(sample.error), cut);
        return panes;
    }
    panes.convertible = true;
    con.Mode.ApplyDetectedCode(
        DetectStream(std::string_view(sample.bytes).substr(0, DetectFileSampleSize)));
    const Code source = con.Mode.SourceCode();
    const Code target = con.Mode.TargetCode();
    const bool decode = con.Rules.decodeReferences;
    if (options.showSource)
        panes.source = Show(sample.bytes, source, sample.whole, options.sourceCharset, decode);
    if (!options.showResult) return panes;
    try {
        const ConvertOptions convert{
            .source = source,
            .target = target,
            .face = con.Mode.OutputFace(),
            .fixHtmlCharset = con.Rules.fixHtmlCharset && IsHtmlTypeFile(con.Rules.htmlTypes, path),
            .addBom = target == ULE || target == UBE || (target == UTF8 && con.Rules.addBomToUtf8),
            .decodeReferences = decode};
        // A character cut off by the end of the sample is handed on, not written.
        Bytes& converted = sample.bytes;
        ConvertStream(converted, convert, BlockPosition{true, sample.whole}, options.fixTables);
        panes.result = Show(converted, target, true, options.resultCharset, decode);
    } catch (const std::exception& error) {
        // A faulty HTML mask, say: the pane says so and the window goes on.
        std::size_t cut = 0;
        panes.result.text = Utf8ToWide(error.what(), cut);
    }
    return panes;
}

PreviewContent PreviewName(const FileCon& con, const std::string& name,
                           const PreviewOptions& options) {
    PreviewContent panes;
    const auto show = [](std::string_view bytes, int charset, Direction direction) {
        std::size_t cut = 0;
        std::u16string text = Utf8ToWide(bytes, cut);
        if (cut == 0 && WideToUtf8(text) == bytes) return text;
        return AnsiToWide(bytes, PaneCodePage(charset, direction == GbToBig5 ? GBK : BIG5));
    };
    const SimpleMode mode = con.Mode.Simple();
    const Direction direction = mode == SimpleMode::Big5ToGb ? Big5ToGb : GbToBig5;
    if (options.showSource) panes.source.text = show(name, options.sourceCharset, direction);
    if (options.showResult && mode != SimpleMode::Other) {
        const std::optional<std::string> converted =
            ConvertName(name, direction, options.systemCodePage, options.fixTables);
        if (converted)
            panes.result.text = show(*converted, options.resultCharset,
                                     direction == GbToBig5 ? Big5ToGb : GbToBig5);
    }
    return panes;
}

} // namespace tessarim
