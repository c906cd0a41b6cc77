#include "platform/ShellLinks.h"

#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarim {

namespace {

// Characters that make the launcher read an argument as more than one word.
constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters escaped by a backslash inside a quoted argument.
constexpr std::string_view EscapedInQuotes = "\"`$\\";

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string ExecArgument(std::string_view argument) {
    const bool quote =
        argument.empty() || argument.find_first_of(Reserved) != std::string_view::npos;
    std::string out;
    if (quote) out += '"';
    for (const char c : argument) {
        if (c == '%')
            out += '%';
        else if (quote && EscapedInQuotes.find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    if (quote) out += '"';
    return out;
}

std::string EscapeStringValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (const char c = value[i]) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string DesktopEntry(const ShortcutTarget& target, ShortcutPlace place) {
    std::string exec = ExecArgument(target.program);
    if (place == ShortcutPlace::SendTo) exec += " %F";
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=Tessarim\n"
                        "Comment=" +
                        EscapeStringValue(target.description) +
                        "\n"
                        "Icon=tessarim\n"
                        "Exec=" +
                        EscapeStringValue(exec) + "\nPath=" + EscapeStringValue(target.workingDir) +
                        "\nTerminal=false\n";
    if (place == ShortcutPlace::SendTo)
        // Not a menu entry: it only stands among the programs that open text files.
        entry += "NoDisplay=true\nMimeType=text/plain;text/html;\n";
    else
        entry += "Categories=Utility;TextTools;\n";
    return entry;
}

std::string ShortcutPath(ShortcutPlace place) {
    switch (place) {
    case ShortcutPlace::Desktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString() +
               "/Tessarim.desktop";
    case ShortcutPlace::StartMenu:
    case ShortcutPlace::ProgramsMenu:
        // The desktop has one applications menu for both.
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)
                   .toStdString() +
               "/tessarim.desktop";
    case ShortcutPlace::SendTo:
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)
                   .toStdString() +
               "/tessarim-open-with.desktop";
    }
    return {};
}

bool WriteShortcut(const std::string& path, std::string_view entry, bool executable) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target(path);
    fs::create_directories(target.parent_path(), error);
    if (error) return false;
    std::string temporary = (target.parent_path() / ".tessarim-XXXXXX").string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    const bool written =
        WriteAll(fd, entry) && ::fchmod(fd, executable ? 0755 : 0644) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool CreateShortcut(ShortcutPlace place, const ShortcutTarget& target) {
    const std::string path = ShortcutPath(place);
    if (path.empty() || path.front() != '/') return false;
    return WriteShortcut(path, DesktopEntry(target, place), place == ShortcutPlace::Desktop);
}

} // namespace tessarim
