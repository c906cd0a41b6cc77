#include "tests/fuzz/FuzzSupport.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace tessarim::fuzz {

namespace fs = std::filesystem;

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::error_code error;
        const fs::path base =
            fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path path = base / ("tessarim-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
        // Removed when the process ends normally; a crash leaves it for inspection.
        static struct Remove {
            fs::path path;
            ~Remove() {
                std::error_code ignored;
                fs::remove_all(path, ignored);
            }
        } remove{path};
        return path.string() + "/";
    }();
    return folder;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) Fail(("cannot write " + path).c_str(), __FILE__, __LINE__);
}

} // namespace tessarim::fuzz
