#pragma once
// Shared by the fuzz targets: a check that stops the run with a message (libFuzzer
// keeps the input that tripped it as a crash file), a reader for the option bytes
// at the front of an input, the code tables, and a scratch folder for targets
// that need files.
#include "engine/CodeTables.h"
#include "platform/Message.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace tessarim::fuzz {

// Option bytes first, then the text: missing option bytes read as 0, so every
// input, however short, is a valid one.
struct Input {
    Input(const std::uint8_t* data, std::size_t size)
        : rest(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() { return rest.empty() ? 0 : static_cast<std::uint8_t>(Take(1)[0]); }
    // The next count bytes, or fewer at the end.
    std::string_view Take(std::size_t count) {
        const std::string_view taken = rest.substr(0, count);
        rest.remove_prefix(taken.size());
        return taken;
    }
    // Up to the next separator (which is consumed), or all that is left.
    std::string_view Until(char separator) {
        const std::string_view taken = Take(rest.find(separator));
        Take(1);
        return taken;
    }

    std::string_view rest;
};

// A folder of this process's own, in memory where the system offers one, so
// targets that write files stay fast. Removed when the process ends normally; a
// crash leaves it for inspection.
inline const std::string& ScratchFolder() {
    namespace fs = std::filesystem;
    static const fs::path path =
        (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
        ("tessarim-fuzz-" + std::to_string(::getpid()));
    static const std::string folder = [] {
        fs::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        });
        return path.string() + "/";
    }();
    return folder;
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    FUZZ_CHECK(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

} // namespace tessarim::fuzz
