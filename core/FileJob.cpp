#include "core/FileJob.h"

#include "engine/Detect.h"
#include "engine/FileConvert.h"
#include "engine/Replacements.h"
#include "platform/Files.h"
#include "settings/Settings.h"

#include <exception>
#include <fcntl.h>
#include <sys/stat.h>

namespace tessarim {

namespace {

FileResult Failure(FailureKind kind, std::string path, std::string message) {
    FileResult result;
    result.outcome = FileOutcome::Failed;
    result.failure = kind;
    result.path = std::move(path);
    result.message = std::move(message);
    return result;
}

} // namespace

FileRules ReadFileRules(const IniFile& settings, Code target) {
    FileRules rules;
    rules.ignore = MaskList(Read(settings, keys::Ignore));
    rules.htmlTypes = MaskList(Read(settings, keys::HtmlType));
    rules.fixHtmlCharset = Read(settings, keys::FixHtmlCharset);
    // Every read opens the file; a command-line run over a small file is quick.
    if (target == UTF8) rules.addBomToUtf8 = Read(settings, keys::AddBOMtoUTF8);
    rules.decodeReferences = Read(settings, keys::Fix_UNN);
    return rules;
}

Face DefaultFace(Code source, Code target) {
    if (source == GBK && target == BIG5) return FaceT;
    if (source == BIG5 && target == GBK) return FaceS;
    return FaceD;
}

Code SourceOfDetected(const TextCode& detected, Code target) {
    if (detected.asciiOnly) return target == GBK || target == BIG5 ? target : UTF8;
    return detected.code == Undetermined ? GBK : detected.code;
}

Face FaceFor(const FileRequest& request, Code source) {
    const Face face = request.faceFromCodes ? DefaultFace(source, request.target) : request.face;
    return request.target == BIG5 && face == FaceS ? FaceD : face;
}

std::string_view SkipReasonText(SkipReason reason) {
    switch (reason) {
    case SkipReason::NotRegular:
        return "not a regular file";
    case SkipReason::Hidden:
        return "hidden file";
    case SkipReason::Ignored:
        return "matches the Ignore list of the settings";
    case SkipReason::Compound:
        return "office document";
    case SkipReason::None:
        break;
    }
    return {};
}

SkipReason SkipReasonOf(const std::string& input, const FileRules& rules, OpenSource& source) {
    // A device or FIFO is not opened at all: opening some has effects.
    if (QueryFileKind(input) != FileKind::Regular) return SkipReason::NotRegular;
    const std::string name = ExtractFileName(input);
    if (IsHiddenName(name)) return SkipReason::Hidden;
    if (IsIgnoredFile(rules.ignore, name)) return SkipReason::Ignored;
    source.fd = UniqueFd(::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!source.fd || ::fstat(source.fd.get(), &source.status) != 0)
        throw ConvertError("Cannot open file " + input);
    // Replaced by something else since it was looked at.
    if (!S_ISREG(source.status.st_mode)) return SkipReason::NotRegular;
    if (HasCompoundSignature(source.fd.get())) return SkipReason::Compound;
    return SkipReason::None;
}

bool IsValidFileName(std::string_view name) {
    if (name.find('\0') != std::string_view::npos) return false;
    const std::size_t slash = name.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return !last.empty() && last != "." && last != "..";
}

FileResult ConvertOneFile(const std::string& input, const std::string& output,
                          const FileRequest& request, const FileRules& rules, FixTables* fixTables,
                          bool outputFree, const std::optional<FileStamp>& listed) {
    try {
        FileResult result;
        result.path = input;
        OpenSource source;
        result.skipped = SkipReasonOf(input, rules, source);
        if (result.skipped != SkipReason::None) {
            result.outcome = FileOutcome::Skipped;
            return result;
        }
        const FileKind outputKind = outputFree ? FileKind::Missing : QueryFileKind(output);
        if (!IsValidFileName(ExtractFileName(output)) || outputKind == FileKind::Folder)
            return Failure(FailureKind::InvalidOutputName, output, "Invalid output filename.");
        // An output that is there is in a folder that is there, as is a free one.
        if (outputFree) {
            // Nothing there to be read-only, in a folder that was listed.
        } else if (outputKind == FileKind::Missing) {
            const std::string folder = ExtractFileDir(output);
            if (!DirExists(folder) && !ForceDirectories(folder))
                return Failure(FailureKind::FolderNotCreated, output,
                               "Fail to create output directory");
        } else if (IsReadOnly(output)) {
            return Failure(FailureKind::ReadOnlyTarget, output, "");
        }

        ConvertOptions options;
        options.source = request.source;
        if (options.source == Undetermined) {
            const TextCode detected = DetectFileCode(input);
            result.asciiOnly = detected.asciiOnly;
            options.source = SourceOfDetected(detected, request.target);
        }
        result.source = options.source;
        options.target = request.target;
        options.face = FaceFor(request, options.source);
        // ASCII going to an 8-bit code is copied as it is.
        const bool copy = result.asciiOnly && options.target != ULE && options.target != UBE;
        // The input is a file, as its skip reason said: only its name counts.
        options.fixHtmlCharset =
            !copy && rules.fixHtmlCharset && rules.htmlTypes.Matches(ExtractFileName(input));
        options.addBom = request.target == ULE || request.target == UBE ||
                         (request.target == UTF8 && rules.addBomToUtf8 && !copy);
        options.decodeReferences = !copy && rules.decodeReferences;
        options.replaced = &result.replaced;
        options.leftOut = &result.leftOut;
        // A failed conversion leaves its destination as it was.
        options.failOnReplacement = request.strict;
        options.listed = listed ? &*listed : nullptr;
        ConvertFile(source.fd.get(), source.status, input, output, options, fixTables, outputFree);
        return result;
    } catch (const LossyConversion&) {
        return Failure(FailureKind::Lossy, input,
                       "Characters the target code lacks would be replaced; not converted "
                       "(--strict).");
    } catch (const std::exception& error) {
        // Engine, settings and mask failures carry the user's words already.
        return Failure(FailureKind::Conversion, input, error.what());
    }
}

} // namespace tessarim
