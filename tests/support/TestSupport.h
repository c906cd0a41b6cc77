#pragma once
// Small helpers shared by the tests: hex text, temporary folders, captured messages.
#include "platform/Message.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessarim::test {

// "c4e3 41" -> the bytes C4 E3 41 (blanks are ignored).
std::string FromHex(std::string_view hex);
std::string ToHex(std::string_view bytes);

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // path() / name as a string.
    std::string operator/(std::string_view name) const;

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

// Collects every message shown while it lives, instead of printing them.
class CapturedMessages {
public:
    CapturedMessages();
    ~CapturedMessages();
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;
    const std::vector<std::pair<MessageKind, std::string>>& messages() const { return messages_; }
    // The texts only, joined by "|".
    std::string texts() const;

private:
    std::vector<std::pair<MessageKind, std::string>> messages_;
    MessageHandler previous_;
};

} // namespace tessarim::test
