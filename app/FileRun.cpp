#include "app/FileRun.h"

#include "core/FileJob.h"
#include "core/FileRun.h"
#include "core/FindFiles.h"
#include "core/TableLoader.h"
#include "engine/Detect.h"
#include "engine/FileConvert.h"
#include "engine/FixTables.h"
#include "engine/Replacements.h"
#include "platform/Files.h"
#include "platform/Message.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

namespace tessarim {

namespace {

void ShowError(const std::string& text) {
    ShowMessage(MessageKind::Error, text);
}

void ShowNote(const std::string& text) {
    ShowMessage(MessageKind::Information, text);
}

// A name given in double quotes loses them; one that only begins with one loses that.
void RemoveQuotes(std::string& name) {
    if (name.empty() || name.front() != '"') return;
    name.erase(0, 1);
    if (!name.empty() && name.back() == '"') name.pop_back();
}

// The current folder with a trailing "/".
std::string CurrentFolder() {
    std::error_code error;
    return AddTrailingBackslash(std::filesystem::current_path(error).string());
}

// Bare name when the file is in the folder here (ending in "/"), else the full path.
std::string NameForMessage(const std::string& path, const std::string& here = CurrentFolder()) {
    return ExtractFilePath(path) == here ? ExtractFileName(path) : path;
}

// "f.txt: 2 characters replaced by ..." and "1 character" for one.
std::string ReplacedNote(const std::string& name, std::uint64_t replaced) {
    return name + ": " + std::to_string(replaced) + (replaced == 1 ? " character" : " characters") +
           " replaced by \"?\", \"\u25A1\" or U+FFFD.";
}

// "f.txt: its last byte, an unfinished character, is left out."
std::string LeftOutNote(const std::string& name, std::uint64_t bytes) {
    return name + ": its last " + (bytes == 1 ? "byte" : std::to_string(bytes) + " bytes") +
           ", an unfinished character, " + (bytes == 1 ? "is" : "are") + " left out.";
}

std::string_view CodeLabel(Code code) {
    return code == Undetermined ? "unknown" : CodeKeyword(code);
}

// One input with its output, or why it is not converted.
struct PlannedFile {
    std::string input;
    std::string output;
    std::string conflict;    // the message when the input is skipped
    bool outputFree = false; // not in the listing of its folder
};

// What tells two names of one file apart from two files: the file itself when
// it exists, else the full path. there: whether it exists.
std::string Identity(const std::string& path, bool* there = nullptr) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (there) *there = exists;
    if (exists) return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    std::string id = "/";
    id += FullPath(path);
    return id;
}

// The output of an input: the input itself in place; else the output pattern
// (a full path) applied to it, in the same subfolder below the output
// pattern's folder as the input is below the input pattern's.
std::string OutputOf(const std::string& input, const std::string& inputFolder,
                     const std::string& outputPattern, const CommandLineArgs& args) {
    if (args.InPlace) return input;
    if (!HasWildcards(args.FileOut)) return outputPattern;
    const std::string folder = ExtractFilePath(input);
    if (folder.size() == inputFolder.size()) return BuildOutputName(input, outputPattern);
    return BuildOutputName(input, ExtractFilePath(outputPattern) +
                                      folder.substr(inputFolder.size()) +
                                      ExtractFileName(outputPattern));
}

// Every output is decided before anything is written, so no input is written
// over before its turn, and no output twice. An in-place run writes each file
// over itself; otherwise an output that is an input of the run, itself
// included, or the output of an earlier input is reported and its input
// skipped.
std::vector<PlannedFile> PlanOutputs(const std::vector<std::string>& inputs,
                                     const std::string& inputFolder, const CommandLineArgs& args) {
    std::vector<PlannedFile> plan;
    plan.reserve(inputs.size());
    const std::string outputPattern = args.InPlace ? std::string() : FullPath(args.FileOut);
    for (const std::string& input : inputs)
        plan.push_back({input, OutputOf(input, inputFolder, outputPattern, args), {}, false});
    // A single named file written over itself is the described in-place request.
    if (args.InPlace || (plan.size() == 1 && !HasWildcards(args.FileIn))) return plan;
    // The inputs are looked at only when an output may be one of them: one that
    // exists, or one named as an input (which a missing input would be). Into an
    // empty folder, that is never.
    const std::unordered_set<std::string_view> inputNames(inputs.begin(), inputs.end());
    std::unordered_map<std::string, std::string_view> inputOf;
    bool inputsLooked = false;
    std::unordered_map<std::string, std::string_view> outputOf;
    FolderListings listings;
    for (PlannedFile& file : plan) {
        bool there = false;
        file.outputFree = listings.IsFree(file.output);
        // A free output is named as Identity names a file that is not there.
        std::string id = "/";
        if (file.outputFree)
            id += FullPath(file.output);
        else
            id = Identity(file.output, &there);
        if (!inputsLooked && (there || inputNames.count(file.output))) {
            for (const std::string& input : inputs)
                inputOf.emplace(Identity(input), input);
            inputsLooked = true;
        }
        if (const auto taken = outputOf.find(id); taken != outputOf.end())
            file.conflict = file.output + " is already the output of " +
                            std::string(taken->second) + "; " + file.input + " is not converted.";
        else if (const auto input = inputOf.find(id); input != inputOf.end())
            file.conflict = input->second == file.input
                                ? file.input + " would be its own output; it is not converted."
                                : file.output + " is an input of this run; " + file.input +
                                      " is not converted into it.";
        else
            outputOf.emplace(id, file.input);
    }
    return plan;
}

// The settings' rules with the run's own choices over them.
FileRules RulesOfRun(const CommandLineArgs& args) {
    FileRules rules = ReadFileRules(IniFile(SettingsPath()), args.CodeOut);
    if (args.bom && args.CodeOut == UTF8) rules.addBomToUtf8 = *args.bom;
    if (args.references) rules.decodeReferences = *args.references;
    return rules;
}

// The typeface whose correction table the run needs: with a detected input
// and no typeface asked for, the one the target code suggests.
Face TableFace(const CommandLineArgs& args) {
    if (args.faceGiven || !args.AutoDetectInput) return args.face;
    return args.CodeOut == BIG5 ? FaceT : args.CodeOut == GBK ? FaceS : FaceD;
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Standard input or output in a run: read in blocks, detected from its first
// bytes, converted as it comes. A named output is written beside itself and
// takes its place when complete.
int ConvertStreams(const CommandLineArgs& args, const FileRequest& request, const FileRules& rules,
                   FixTables* tables) {
    const bool fromStdin = args.FileIn == "-";
    const bool toStdout = args.FileOut == "-" || args.InPlace;
    File owned(nullptr, &std::fclose);
    std::FILE* input = stdin;
    if (!fromStdin) {
        if (QueryFileKind(FullPath(args.FileIn)) != FileKind::Regular) {
            ShowError("** \"" + args.FileIn + "\" not found.");
            return ExitFailure;
        }
        owned.reset(std::fopen(args.FileIn.c_str(), "rb"));
        if (!owned) throw ConvertError("Cannot open file " + args.FileIn);
        input = owned.get();
    }

    ConvertOptions options;
    Bytes head;
    options.source = request.source;
    if (options.source == Undetermined) {
        // The bytes read for detection stay in memory: at most one block.
        CodeSniffer sniffer;
        Bytes chunk(64 * 1024, '\0');
        while (head.size() < BlockSize) {
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), input);
            head.append(chunk, 0, got);
            if (!sniffer.Feed(std::string_view(chunk).substr(0, got)) || got < chunk.size()) break;
        }
        if (std::ferror(input)) throw ConvertError("Stream read error");
        options.source = SourceOfDetected(sniffer.Result(), request.target);
    }
    options.target = request.target;
    options.face = FaceFor(request, options.source);
    options.addBom = request.target == ULE || request.target == UBE ||
                     (request.target == UTF8 && rules.addBomToUtf8);
    options.decodeReferences = rules.decodeReferences;
    std::uint64_t replaced = 0;
    options.replaced = &replaced;
    std::uint64_t leftOut = 0;
    options.leftOut = &leftOut;
    options.failOnReplacement = request.strict;

    const std::string name = fromStdin ? "standard input" : args.FileIn;
    try {
        if (toStdout) {
            ConvertOpenStream(input, head, stdout, options, tables);
            if (std::fflush(stdout) != 0) throw ConvertError("Stream write error");
        } else {
            const std::string output = FullPath(args.FileOut);
            if (!IsValidFileName(output) || DirExists(output)) {
                ShowError("Invalid output filename.");
                return ExitFailure;
            }
            if (QueryFileKind(output) != FileKind::Missing && IsReadOnly(output)) {
                ShowError(NameForMessage(output) + " cannot be replaced (ReadOnly)");
                return ExitFailure;
            }
            const std::string temp = MakeTempFile(AddTrailingBackslash(ExtractFileDir(output)));
            try {
                File out(std::fopen(temp.c_str(), "wb"), &std::fclose);
                if (!out) throw ConvertError("Cannot create file " + temp);
                ConvertOpenStream(input, head, out.get(), options, tables);
                if (std::fclose(out.release()) != 0) throw ConvertError("Stream write error");
                // The temporary file is the owner's alone; the result gets the mode
                // of the file it replaces, or a new file's.
                struct stat old {};
                ::chmod(temp.c_str(), ::stat(output.c_str(), &old) == 0
                                          ? old.st_mode & 07777
                                          : 0666 & ~static_cast<mode_t>(FileCreationMask()));
                std::filesystem::rename(temp, output);
            } catch (...) {
                std::error_code ignored;
                std::filesystem::remove(temp, ignored);
                throw;
            }
        }
    } catch (const LossyConversion&) {
        ShowError(
            name + ": characters the target code lacks would be replaced; " +
            (toStdout ? "output stopped before them (--strict)." : "not converted (--strict)."));
        return ExitFailure;
    }
    if (replaced > 0 && !args.quiet) ShowNote(ReplacedNote(name, replaced));
    if (leftOut > 0 && !args.quiet) ShowNote(LeftOutNote(name, leftOut));
    if (args.verbose)
        ShowNote(name + ": converted from " + std::string(CodeLabel(options.source)) + " to " +
                 std::string(CodeLabel(options.target)) + ".");
    return ExitSuccess;
}

} // namespace

int ConvertAll(CommandLineArgs& args) {
    RemoveQuotes(args.FileIn);
    RemoveQuotes(args.FileOut);
    const bool streams = args.FileIn == "-" || args.FileOut == "-";
    if (!streams && !IsValidFileName(args.FileIn)) {
        ShowError("Invalid input filename.");
        return ExitFailure;
    }
    if (streams && (HasWildcards(args.FileIn) || HasWildcards(args.FileOut))) {
        ShowError("A pattern of files cannot be read from or written to \"-\".");
        return ExitUsage;
    }
    if (const std::string refusal = SettingsFolderRefusal(); !refusal.empty()) {
        ShowError(refusal);
        return ExitFailure;
    }
    const FileRules rules = RulesOfRun(args);
    FixTables fixTables;
    if (args.fixTables) LoadTablesForFace(fixTables, TableFace(args));
    FixTables* const tables = args.fixTables ? &fixTables : nullptr;
    const FileRequest request{args.AutoDetectInput ? Undetermined : args.CodeIn, args.CodeOut,
                              args.face, !args.faceGiven, args.strict};
    if (streams) return ConvertStreams(args, request, rules, tables);

    const std::string fullIn = FullPath(args.FileIn);
    const bool pattern = HasWildcards(args.FileIn);
    std::vector<std::string> inputs;
    if (pattern) {
        inputs =
            ListMatchingFiles(ExtractFilePath(fullIn), ExtractFileName(fullIn), args.recursive);
    } else {
        const FileKind kind = QueryFileKind(fullIn);
        if (kind != FileKind::Regular && kind != FileKind::System) {
            ShowError("** \"" + args.FileIn + "\" not found.");
            return ExitFailure;
        }
        inputs.push_back(fullIn);
    }

    int status = ExitSuccess;
    unsigned converted = 0;
    unsigned skipped = 0;
    unsigned failed = 0;
    std::vector<PlannedFile> plan = PlanOutputs(inputs, ExtractFilePath(fullIn), args);
    std::vector<FileTask> tasks;
    tasks.reserve(plan.size());
    std::vector<std::size_t> taskAt; // each task's place in the plan
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (!plan[i].conflict.empty()) continue;
        // A file converted in place as it is now: should another run convert it
        // first, this one leaves it.
        std::optional<FileStamp> listed;
        if (plan[i].input == plan[i].output) listed = StampOf(plan[i].input);
        tasks.push_back(
            {std::move(plan[i].input), std::move(plan[i].output), plan[i].outputFree, listed});
        taskAt.push_back(i);
    }
    // Conflicts are told where they stand in the plan, between the files' reports.
    std::size_t told = 0;
    const auto tellConflictsBefore = [&](std::size_t end) {
        for (; told < end; ++told) {
            if (plan[told].conflict.empty()) continue;
            ShowError(plan[told].conflict);
            status = ExitFailure;
            ++failed;
        }
    };
    std::size_t reported = 0;
    const std::string here = CurrentFolder();
    const auto report = [&](const FileResult& result) {
        const std::string& input = tasks[reported].input;
        const std::size_t at = taskAt[reported++];
        tellConflictsBefore(at);
        told = at + 1;
        // Most files are converted without a word: their name is seldom needed.
        const auto name = [&] { return NameForMessage(input, here); };
        switch (result.outcome) {
        case FileOutcome::Skipped: {
            ++skipped;
            const std::string why =
                name() + ": skipped (" + std::string(SkipReasonText(result.skipped)) + ").";
            // A file named alone was wanted: not converting it is a failure.
            if (!pattern) {
                ShowError(why);
                status = ExitFailure;
            } else if (!args.quiet) {
                ShowNote(why);
            }
            break;
        }
        case FileOutcome::Failed:
            ++failed;
            status = ExitFailure;
            if (result.failure == FailureKind::ReadOnlyTarget)
                ShowError(NameForMessage(result.path, here) + " cannot be replaced (ReadOnly)");
            else if (!result.message.empty())
                ShowError(pattern ? name() + ": " + result.message : result.message);
            break;
        case FileOutcome::Converted:
            ++converted;
            if (result.replaced > 0 && !args.quiet) ShowNote(ReplacedNote(name(), result.replaced));
            if (result.leftOut > 0 && !args.quiet) ShowNote(LeftOutNote(name(), result.leftOut));
            if (args.verbose)
                ShowNote(name() + ": converted from " +
                         std::string(result.asciiOnly ? "ASCII" : CodeLabel(result.source)) +
                         " to " + std::string(CodeLabel(args.CodeOut)) + ".");
            break;
        }
        return true;
    };
    // A worker's tables only map the index files the first load made current.
    FixTables noTables;
    const auto load = [&](FixTables& own) {
        if (args.fixTables) LoadTablesForFaceAgain(own, TableFace(args));
    };
    ConvertFiles(tasks, request, rules, tables ? *tables : noTables, load,
                 pattern ? WorkersPerCore() : 1, report);
    tellConflictsBefore(plan.size());
    if (pattern && !args.quiet)
        ShowNote(std::to_string(converted) + " converted, " + std::to_string(skipped) +
                 " skipped, " + std::to_string(failed) + " failed.");
    return status;
}

int DetectAll(const CommandLineArgs& args) {
    int status = ExitSuccess;
    for (std::string name : args.names) {
        RemoveQuotes(name);
        std::vector<std::string> files;
        if (name == "-") {
            CodeSniffer sniffer;
            Bytes chunk(64 * 1024, '\0');
            std::size_t got = 0;
            do {
                got = std::fread(chunk.data(), 1, chunk.size(), stdin);
            } while (sniffer.Feed(std::string_view(chunk).substr(0, got)) && got == chunk.size());
            const TextCode found = sniffer.Result();
            std::cout << "-: " << (found.asciiOnly ? "ASCII" : CodeLabel(found.code)) << '\n';
            continue;
        }
        const std::string full = FullPath(name);
        if (HasWildcards(name))
            files = ListMatchingFiles(ExtractFilePath(full), ExtractFileName(full), args.recursive);
        else
            files.push_back(full);
        for (const std::string& file : files) {
            const std::string shown = HasWildcards(name) ? NameForMessage(file) : name;
            if (const FileKind kind = QueryFileKind(file); kind != FileKind::Regular) {
                ShowError(kind == FileKind::Missing ? "** \"" + shown + "\" not found."
                                                    : shown + ": not a regular file.");
                status = ExitFailure;
                continue;
            }
            try {
                const TextCode found = DetectFileCode(file);
                std::cout << shown << ": " << (found.asciiOnly ? "ASCII" : CodeLabel(found.code))
                          << '\n';
            } catch (const std::exception& error) {
                ShowError(shown + ": " + error.what());
                status = ExitFailure;
            }
        }
    }
    return status;
}

} // namespace tessarim
