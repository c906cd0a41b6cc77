// The settings reader and writer on a hand-edited Tessarim.ini: any file reads
// without harm, a value written reads back exactly as written (its first line,
// cut to the read limit), and writing one key leaves every other key's value as
// it was.
//
// Input: lengths of a section, a key and a second key; those three (their bytes
// mapped onto letters, digits and "_", as real names are); the value up to a
// 0 byte; then the file.
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>

namespace {

using namespace tessarim;

std::string Name(std::string_view bytes) {
    static constexpr std::string_view alphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    std::string name;
    for (const char c : bytes)
        name += alphabet[static_cast<std::uint8_t>(c) % alphabet.size()];
    return name.empty() ? "Data" : name;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return (x | 0x20) == (y | 0x20); // letters, digits and "_" only
    });
}

constexpr std::string_view Absent = "\x01(absent)";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::size_t lengths[] = {input.Byte() % 12u, input.Byte() % 12u, input.Byte() % 12u};
    const std::string section = Name(input.Take(lengths[0]));
    const std::string key = Name(input.Take(lengths[1]));
    const std::string other = Name(input.Take(lengths[2]));
    const std::string value(input.Until('\0'));
    const std::string path = fuzz::ScratchFolder() + "Tessarim.ini";
    fuzz::WriteBytes(path, input.rest);

    IniFile ini(path);
    const std::string before = ini.ReadString(section, other, Absent);
    FUZZ_CHECK(before.size() <= IniValueLimit || before == Absent);
    const std::int64_t number = ini.ReadInteger(section, key, 7);
    if (const auto parsed = ParseIniInteger(std::to_string(number))) FUZZ_CHECK(*parsed == number);
    (void)ini.ReadBool(section, key, true);
    (void)Read(ini, keys::Fix_UNN);
    (void)Read(ini, keys::Ignore);
    (void)ParseFontSetting(ini.ReadString(section, key, ""));

    ini.WriteString(section, key, value);
    const std::string firstLine = value.substr(0, value.find_first_of("\r\n"));
    FUZZ_CHECK(ini.ReadString(section, key, Absent) == firstLine.substr(0, IniValueLimit));
    if (!SameNameIgnoringCase(key, other))
        FUZZ_CHECK(ini.ReadString(section, other, Absent) == before);
    return 0;
}
