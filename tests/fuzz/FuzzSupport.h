#pragma once
// Shared by the fuzz targets: a check that stops the run with a message (libFuzzer
// keeps the input that tripped it as a crash file), a reader for the option bytes
// at the front of an input, and a scratch folder for targets that need files.
#include "platform/Message.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) ::tessarim::fuzz::Fail(#condition, __FILE__, __LINE__);                  \
    } while (0)

namespace tessarim::fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// Option bytes first, then the text: missing option bytes read as 0, so every
// input, however short, is a valid one.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    // The next count bytes, or fewer at the end.
    std::string_view Take(std::size_t count) {
        const std::string_view taken = rest_.substr(0, count);
        rest_.remove_prefix(taken.size());
        return taken;
    }
    // Up to the next separator (which is consumed), or all that is left.
    std::string_view Until(char separator) {
        const std::size_t at = rest_.find(separator);
        const std::string_view taken = rest_.substr(0, at);
        rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
        return taken;
    }
    std::string_view Rest() const { return rest_; }
    bool Empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// Messages the code under test shows (a fix table that cannot be read) would
// flood the fuzzer's output.
inline void QuietMessages() {
    SetMessageHandler([](MessageKind, std::string_view) {});
}

// A folder of this process's own, in memory where the system offers one, so
// targets that write files stay fast. It lives until the process ends.
const std::string& ScratchFolder();

// Writes the bytes to the path, replacing the file.
void WriteBytes(const std::string& path, std::string_view bytes);

} // namespace tessarim::fuzz
