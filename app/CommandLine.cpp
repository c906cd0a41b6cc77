#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tessarim {

const char* const UsageText =
    "Syntax: Tessarim [CodeIn] <CodeOut> [Face] <FileIn> [FileOut]\r\n\r\n"
    "<CodeIn> (optional, auto-detect if omitted)\r\n"
    "  /i:xxx    where 'xxx' is the coding method of the input file\r\n"
    "  * Valid values of 'xxx' are: ULE, UBE, UTF8, GBK, BIG5\r\n\r\n"
    "<CodeOut>\r\n"
    "  /o:xxx   where 'xxx' is the coding method of the output file\r\n"
    "  * Valid values of 'xxx' are: ULE, UBE, UTF8, GBK, BIG5\r\n\r\n"
    "[Face] (optional, default is /f:D)\r\n"
    "  /f:x    where 'x' is the typeface of output file\r\n"
    "  * Valid values of 'x' are: T (traditional), S (simplified), D (default)\r\n\r\n"
    "<FileIn> \r\n"
    "  Input Filename\r\n\r\n"
    "[FileOut] (optional, FileIn will be overwritten if this param is omitted)\r\n"
    "  Output Filename.\r\n\r\n"
    "Example: tessarim /i:big5 /o:ule /f:s test.txt\r\n"
    "  (This will convert test.txt from Big5 to Unicode-LE in Simplified Chinese)";

namespace {

constexpr std::array<std::string_view, 5> CodeKeywords = {"ULE", "UBE", "UTF8", "GBK", "BIG5"};

// A code switch's value, or Undetermined when it names no code.
Code CodeKeyword(std::string_view value) {
    std::string upper(value);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < CodeKeywords.size(); ++i)
        if (upper == CodeKeywords[i]) return static_cast<Code>(i);
    return Undetermined;
}

// "/i:" and "/o:": a value of 3 or 4 characters, and the code not given before.
bool TakeCode(std::string_view argument, Code& code) {
    if (argument.size() < 6 || argument.size() > 7 || code != Undetermined) return false;
    code = CodeKeyword(argument.substr(3));
    return true;
}

bool TakeFace(std::string_view argument, Face& face) {
    if (argument.size() != 4) return false;
    switch (std::toupper(static_cast<unsigned char>(argument[3]))) {
    case 'T': face = FaceT; return true;
    case 'S': face = FaceS; return true;
    case 'D': face = FaceD; return true;
    default: return false;
    }
}

} // namespace

bool IsSwitch(std::string_view argument) {
    return argument.size() >= 3 && argument[0] == '/' &&
           std::isalpha(static_cast<unsigned char>(argument[1])) && argument[2] == ':';
}

RunMode DetectRunMode(const std::vector<std::string>& args) {
    if (std::any_of(args.begin(), args.end(), [](const std::string& a) { return IsSwitch(a); }))
        return RunMode::CommandLine;
    return args.empty() ? RunMode::Windowed : RunMode::FileWindow;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLineArgs& parsed) {
    if (args.size() < 2 || args.size() > 5) return false;
    parsed = CommandLineArgs{};
    bool faceGiven = false;
    for (const std::string& argument : args) {
        if (!IsSwitch(argument)) {
            if (!parsed.FileOut.empty()) return false;
            (parsed.FileIn.empty() ? parsed.FileIn : parsed.FileOut) = argument;
            continue;
        }
        switch (argument[1]) {
        case 'i':
        case 'I':
            if (!TakeCode(argument, parsed.CodeIn)) return false;
            break;
        case 'o':
        case 'O':
            if (!TakeCode(argument, parsed.CodeOut)) return false;
            break;
        case 'f':
        case 'F':
            if (!TakeFace(argument, parsed.face)) return false;
            faceGiven = true;
            break;
        default: return false;
        }
    }
    if (!faceGiven) {
        if (parsed.CodeIn == GBK && parsed.CodeOut == BIG5)
            parsed.face = FaceT;
        else if (parsed.CodeIn == BIG5 && parsed.CodeOut == GBK)
            parsed.face = FaceS;
        else
            parsed.face = FaceD;
    }
    parsed.AutoDetectInput = parsed.CodeIn == Undetermined;
    if (parsed.CodeOut == Undetermined || parsed.FileIn.empty()) return false;
    if (parsed.CodeOut == BIG5 && parsed.face == FaceS) parsed.face = FaceD;
    if (parsed.FileOut.empty()) parsed.FileOut = parsed.FileIn;
    return true;
}

bool ContainsAnyChar(std::string_view text, std::string_view chars) {
    return text.find_first_of(chars) != std::string_view::npos;
}

bool IsValidFileName(std::string_view name) {
    if (name.empty() || ContainsAnyChar(name, "<>\"[]|")) return false;
    const std::size_t slash = name.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return last != ".";
}

} // namespace tessarim
