#include "settings/Settings.h"

#include "platform/CodePage.h"
#include "platform/ProgramDir.h"

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <vector>

namespace tessarim {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

template <class T>
std::optional<T> ParseField(std::string_view field, std::int64_t low, std::int64_t high) {
    const auto value = ParseIniInteger(TrimBlanks(field));
    if (!value || *value < low || *value > high) return std::nullopt;
    return static_cast<T>(*value);
}

std::string HistoryKeyName(int number) {
    return std::string(keys::HistoryKeyPrefix) + std::to_string(number);
}

} // namespace

std::string SettingsPath() {
    return ProgramDir() + std::string(SettingsFileName);
}

FontSetting ParseFontSetting(std::string_view text) {
    FontSetting font;
    if (text.empty()) return font;
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (const std::string_view face = TrimBlanks(fields[0]); !face.empty())
        font.face = std::string(face);
    if (fields.size() >= 2)
        font.size = ParseField<int>(fields[1], std::numeric_limits<int>::min(),
                                    std::numeric_limits<int>::max());
    if (fields.size() >= 3)
        font.color = ParseField<std::int32_t>(fields[2], std::numeric_limits<std::int32_t>::min(),
                                              std::numeric_limits<std::int32_t>::max());
    if (fields.size() == 4) font.charset = ParseField<int>(fields[3], 0, 255);
    return font;
}

std::string FormatFontSetting(const FontSetting& font) {
    return font.face.value_or("") + "," + std::to_string(font.size.value_or(0)) + "," +
           std::to_string(font.color.value_or(0)) + "," + std::to_string(font.charset.value_or(0));
}

std::int64_t DefaultLang() {
    switch (LocaleCodePageForDefaults()) {
    case CodePageBig5:
        return 1;
    case CodePageGbk:
        return 2;
    default:
        return 0;
    }
}

std::string DocumentsFolder() {
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        return documents;
    const std::string home = HomeFolder();
    std::error_code error;
    const std::string candidate = home + "/Documents";
    if (!home.empty() && std::filesystem::is_directory(candidate, error)) return candidate;
    return home;
}

bool ReadValue(const IniFile& ini, std::string_view section, std::string_view name, bool def) {
    return ini.ReadBool(section, name, def);
}

std::int64_t ReadValue(const IniFile& ini, std::string_view section, std::string_view name,
                       std::int64_t def) {
    return ini.ReadInteger(section, name, def);
}

std::string ReadValue(const IniFile& ini, std::string_view section, std::string_view name,
                      std::string_view def) {
    return ini.ReadString(section, name, def);
}

void WriteValue(IniFile& ini, std::string_view section, std::string_view name, bool value) {
    ini.WriteBool(section, name, value);
}

void WriteValue(IniFile& ini, std::string_view section, std::string_view name, std::int64_t value) {
    ini.WriteInteger(section, name, value);
}

void WriteValue(IniFile& ini, std::string_view section, std::string_view name,
                std::string_view value) {
    ini.WriteString(section, name, value);
}

FontSetting Read(const IniFile& ini, const FontKey& key) {
    return ParseFontSetting(ini.ReadString(key.section, key.name, ""));
}

void Write(IniFile& ini, const FontKey& key, const FontSetting& font) {
    ini.WriteString(key.section, key.name, FormatFontSetting(font));
}

std::string ReadHistoryEntry(const IniFile& ini, int number) {
    return ini.ReadString(SendKeysSection, HistoryKeyName(number), "");
}

void WriteHistoryEntry(IniFile& ini, int number, std::string_view value) {
    ini.WriteString(SendKeysSection, HistoryKeyName(number), value);
}

} // namespace tessarim
