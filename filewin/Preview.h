#pragma once
// What the two preview panes of the file window show for the selected file: the
// first PreviewLimit bytes as they are and as the current mode would convert
// them, with the code label and colour of each pane; in names-only mode the
// name and its converted form.
//
// Panes show Unicode. GBK and Big5 bytes are decoded by the pane font's
// character set, else by a Chinese system code page, else (a UTF-8 system) by
// the code the pane shows, so they never appear as garbage.
#include "engine/ConFunc.h"

#include <cstdint>
#include <string>

namespace tessarim {

class FileCon;
class FixTables;

inline constexpr std::size_t PreviewLimit = 15360;

// Character sets of a pane font, as the font setting stores them.
inline constexpr int PaneCharsetLatin = 0;
inline constexpr int PaneCharsetGb2312 = 134;
inline constexpr int PaneCharsetBig5 = 136;

// Pane colours, 0xRRGGBB.
inline constexpr std::uint32_t PaneWhite = 0xFFFFFF;
inline constexpr std::uint32_t PaneUnicode = 0xFFFFE1; // light yellow

struct PaneContent {
    std::u16string text;
    std::string label; // "U-LE", "U-BE", "UTF-8"; empty: the label is hidden
    std::uint32_t colour = PaneWhite;
};

struct PreviewContent {
    PaneContent source, result;
    bool convertible = false; // a content preview could be drawn
};

struct PreviewOptions {
    bool showSource = true, showResult = true; // cbPrvSrcDoc, cbPrvConDoc
    int sourceCharset = PaneCharsetLatin, resultCharset = PaneCharsetLatin;
    int systemCodePage = 65001; // the code page file names are in
    FixTables* fixTables = nullptr;
};

// The code page a pane decodes GBK or Big5 bytes of the code with.
int PaneCodePage(int fontCharset, Code code);

// The content preview of path (the selected file of con's source folder):
// detects its code first, which may change con's mode. A file that vanished or
// cannot be read says so in the source pane.
PreviewContent PreviewFile(FileCon& con, const std::string& path, const PreviewOptions& options);

// The names-only preview: the name, and the name converted in the mode.
PreviewContent PreviewName(const FileCon& con, const std::string& name,
                           const PreviewOptions& options);

} // namespace tessarim
