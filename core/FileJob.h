#pragma once
// One file converted under the user's rules: what the command line does for
// each file it is given, and what the file window's batch does for each file it
// lists. The caller counts and shows the results.
#include "core/Paths.h"
#include "engine/ConFunc.h"
#include "engine/Detect.h"
#include "engine/SafeWrite.h"
#include "platform/Files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace tessarim {

class FixTables;
class IniFile;

// What the settings say about files.
struct FileRules {
    MaskList ignore;    // files never converted
    MaskList htmlTypes; // files whose charset declaration is rewritten
    bool fixHtmlCharset = true;
    // A mark at the start of UTF-8 output; UTF-16 output always has one.
    bool addBomToUtf8 = false;
    bool decodeReferences = true;
};

// The rules as the settings file holds them (Ignore, HtmlType, FixHtmlCharset,
// Fix_UNN, and for UTF-8 output AddBOMtoUTF8) for output in the target code.
FileRules ReadFileRules(const IniFile& settings, Code target);

// What is asked of every file: the source code (Undetermined: detected per file,
// GBK when detection cannot tell), the target code and the typeface.
struct FileRequest {
    Code source = Undetermined;
    Code target = Undetermined;
    Face face = FaceD;
    // No typeface was asked for: it follows from the codes, the detected source
    // included (Traditional for GBK to Big5, Simplified for Big5 to GBK).
    bool faceFromCodes = false;
    // A conversion that would write a replacement mark fails and leaves the
    // destination as it was.
    bool strict = false;
};

// The typeface a conversion between the two codes takes when none was asked for.
Face DefaultFace(Code source, Code target);

// The source code of a text whose code was detected: ASCII reads the same in
// every 8-bit target (UTF-16 takes it as UTF-8), and GBK when detection
// cannot tell.
Code SourceOfDetected(const TextCode& detected, Code target);

// The typeface of the request for this source: asked for, or following from the
// codes; Big5 has no Simplified characters to write.
Face FaceFor(const FileRequest& request, Code source);

enum class FileOutcome { Converted, Skipped, Failed };
enum class SkipReason { None, NotRegular, Hidden, Ignored, Compound };
enum class FailureKind {
    None,
    InvalidOutputName, // "Invalid output filename."
    FolderNotCreated,  // "Fail to create output directory"
    ReadOnlyTarget,    // the output exists and is read-only
    Conversion,        // reading, writing or a faulty mask; message says which
    Lossy,             // a strict conversion would have replaced characters
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Converted;
    SkipReason skipped = SkipReason::None;
    FailureKind failure = FailureKind::None;
    std::string path;           // the output for a failed output, else the input
    std::string message;        // the user's words for a failure
    Code source = Undetermined; // the input's code, as given or detected
    bool asciiOnly = false;     // detection found no byte above 0x7F
    std::uint64_t replaced = 0; // characters written as a replacement mark
    std::uint64_t leftOut = 0;  // bytes of an unfinished last character, not written
};

// The words for a skip reason: "hidden", "matches the Ignore list", ...
std::string_view SkipReasonText(SkipReason reason);

// A source open for reading, and its status as it was opened.
struct OpenSource {
    UniqueFd fd;
    struct stat status {};
};

// Why the file is not converted at all, or None: not a regular file, a hidden
// name, a name matching the Ignore masks, an older office document. A faulty
// mask or an unreadable file throws. The look opens the file: when None,
// `source` keeps it open for its conversion.
SkipReason SkipReasonOf(const std::string& input, const FileRules& rules, OpenSource& source);

// The name's last part is one Linux accepts: not empty, not "." or "..", no
// NUL. Brackets, quotes and bars are ordinary characters.
bool IsValidFileName(std::string_view name);

// Converts input (a full path) into output (a full path; the same path converts
// in place), creating the output's folder when it is missing. The options of
// the conversion follow from the request and the rules: the source detected
// when asked, the charset rewritten for an HTML file, a byte-order mark for
// UTF-16 and (as the rules say) UTF-8 output. outputFree: a listing of the
// output's folder just now had no such name (see ConvertFile). listed: the
// input as the run listed it, for a file converted in place (see ConvertFile).
FileResult ConvertOneFile(const std::string& input, const std::string& output,
                          const FileRequest& request, const FileRules& rules, FixTables* fixTables,
                          bool outputFree = false,
                          const std::optional<FileStamp>& listed = std::nullopt);

} // namespace tessarim
