#pragma once
// Every key of Tessarim.ini, declared once with its section, name, type and
// default, and the typed reads and writes through those declarations. Callers
// open an IniFile on SettingsPath() for each load or save.
#include "settings/IniFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace tessarim {

inline constexpr std::string_view SettingsFileName = "Tessarim.ini";

// ProgramDir() + "Tessarim.ini".
std::string SettingsPath();

// A key with a fixed default.
template <class T>
struct Key {
    std::string_view section;
    std::string_view name;
    T def;
};

// A key whose default depends on the system and is worked out at each read.
template <class T>
struct ComputedKey {
    std::string_view section;
    std::string_view name;
    T (*def)();
};

// A key whose default only the reader knows (a window's own size, another key's
// value); it is read with the default as an argument.
template <class T>
struct CallerKey {
    std::string_view section;
    std::string_view name;
};

// A font string key: "face,size,colour,charset". Absent or empty leaves the font
// as the window was designed.
struct FontKey {
    std::string_view section;
    std::string_view name;
};

// The fields a font string sets; a field that is missing or unreadable is empty
// and leaves that property of the font alone.
struct FontSetting {
    std::optional<std::string> face;
    std::optional<int> size;           // points
    std::optional<std::int32_t> color; // 0xBBGGRR; system colours are negative
    std::optional<int> charset;        // 0-255
};

// Splits at every comma; face, size and colour come from the first three fields,
// the character set only when there are exactly four.
FontSetting ParseFontSetting(std::string_view text);
// All four fields; a missing field is written as 0 (an empty face as nothing).
std::string FormatFontSetting(const FontSetting& font);

// The interface language a system without settings starts in: 1 (Traditional)
// for code page 950, 2 (Simplified) for 936, else 0 (English).
std::int64_t DefaultLang();

// The user's documents folder: $XDG_DOCUMENTS_DIR, else ~/Documents when it
// exists, else the home folder. No trailing '/'.
std::string DocumentsFolder();

inline constexpr std::string_view DataSection = "Data";
inline constexpr std::string_view SendKeysSection = "SendKeysAfrMsg";

// "HotKey_0" to "HotKey_3": one section per clipboard hotkey.
constexpr std::string_view HotKeySection(int index) {
    constexpr std::array<std::string_view, 4> names{"HotKey_0", "HotKey_1", "HotKey_2", "HotKey_3"};
    if (index < 0 || index >= static_cast<int>(names.size()))
        throw std::out_of_range("hotkey index");
    return names[static_cast<std::size_t>(index)];
}

namespace keys {

using Int = std::int64_t;
using Text = std::string_view;

inline constexpr ComputedKey<Int> Lang{DataSection, "Lang", &DefaultLang};
inline constexpr Key<bool> Sound{DataSection, "Sound", true};
inline constexpr Key<Text> WaveFile{DataSection, "WaveFile", ""};
inline constexpr ComputedKey<std::string> DefaultDir{DataSection, "DefaultDir", &DocumentsFolder};
inline constexpr Key<Text> Ignore{
    DataSection, "Ignore",
    "*.exe,*.dll,*.com,*.sys,*.vxd,*.drv,*.zip,*.rar,*.xl?,*.bmp,*.gif,*.jp*g,*.tif*,*.hlp,"
    "*.chm,*.pdf,*.au,*.mid,*.wav,*.mp3,*.class,*.swf,*.pp?,*.doc,*.mdb,*.r*m,*.docx,*.xlsx,"
    "*.pptx"};
inline constexpr Key<Text> HtmlType{DataSection, "HtmlType",
                                    "*.htm*,*.xhtml,*.shtm*,*.asp,*.apsx,*.php*,*.pl,*.cgi,*.js"};
inline constexpr Key<Int> GapWidth{DataSection, "GapWidth", 0};
inline constexpr Key<bool> AlwaysOnTop{DataSection, "AlwaysOnTop", true};
inline constexpr Key<bool> AutoHide{DataSection, "AutoHide", true};
inline constexpr Key<bool> CfmOverwrite{DataSection, "CfmOverwrite", true};
inline constexpr Key<bool> RemLastPos{DataSection, "RemLastPos", true};
inline constexpr Key<bool> MsgFinished{DataSection, "MsgFinished", true};
inline constexpr Key<bool> MsgClipConFinished{DataSection, "MsgClipConFinished", true};
inline constexpr Key<bool> FixHtmlCharset{DataSection, "FixHtmlCharset", true};
inline constexpr Key<bool> AddBOMtoUTF8{DataSection, "AddBOMtoUTF8", false};
inline constexpr Key<bool> Fix_UNN{DataSection, "Fix_UNN", true};
inline constexpr Key<bool> CF_HTML_Support{DataSection, "CF_HTML_Support", true};
inline constexpr Key<bool> HideMain{DataSection, "HideMain", false};
inline constexpr Key<Int> LastEdge{DataSection, "LastEdge", 1};
inline constexpr Key<Int> FloatLeft{DataSection, "FloatLeft", 10};
inline constexpr Key<Int> FloatTop{DataSection, "FloatTop", 60};
inline constexpr Key<bool> Warn{DataSection, "Warn", true};
inline constexpr Key<bool> PasteAfrHotKey{DataSection, "PasteAfrHotKey", false};
// Defaults: centred on the screen, and the window's designed size.
inline constexpr CallerKey<Int> ClipTop{DataSection, "ClipTop"};
inline constexpr CallerKey<Int> ClipLeft{DataSection, "ClipLeft"};
inline constexpr CallerKey<Int> ClipWidth{DataSection, "ClipWidth"};
inline constexpr CallerKey<Int> ClipHeight{DataSection, "ClipHeight"};
inline constexpr FontKey ClipFont{DataSection, "ClipFont"};
// Defaults: the DefaultDir value.
inline constexpr CallerKey<Text> SrcDir{DataSection, "SrcDir"};
inline constexpr CallerKey<Text> DestDir{DataSection, "DestDir"};
inline constexpr Key<bool> PrvSrc{DataSection, "PrvSrc", true};
inline constexpr Key<bool> PrvCon{DataSection, "PrvCon", true};
inline constexpr Key<bool> PrvSrcWarp{DataSection, "PrvSrcWarp", true};
inline constexpr Key<bool> PrvConWarp{DataSection, "PrvConWarp", true};
inline constexpr Key<Int> FileConType{DataSection, "FileConType", 1};
inline constexpr Key<Text> Filter{DataSection, "Filter",
                                  "All files (*.*)|*.*|Text files (*.txt)|*.txt|Html files "
                                  "(*.htm,*html)|*.htm;*html"};
inline constexpr FontKey PrvSrcFont{DataSection, "PrvSrcFont"};
inline constexpr FontKey PrvConFont{DataSection, "PrvConFont"};
// Modification time of the fix table source when its index was built, in
// whole seconds; older versions of the program read these.
inline constexpr Key<Int> Ageb5fix{DataSection, "Ageb5fix", 0};
inline constexpr Key<Int> Agegbfix{DataSection, "Agegbfix", 0};
// Size and nanosecond modification time of the same, which tell a table
// rewritten within the second of its index build from the one indexed.
inline constexpr Key<Text> Ageb5fixExact{DataSection, "Ageb5fixExact", ""};
inline constexpr Key<Text> AgegbfixExact{DataSection, "AgegbfixExact", ""};

// The history of the "keys after text" field: Count entries Key1..KeyN, newest
// first. -1 means the history was never saved.
inline constexpr Key<Int> Count{SendKeysSection, "Count", -1};
inline constexpr std::string_view HistoryKeyPrefix = "Key";

// The keys of hotkey section HotKeySection(index).
constexpr Key<Int> Virtkey(int index) {
    return {HotKeySection(index), "Virtkey", 0};
}
constexpr Key<bool> Shift(int index) {
    return {HotKeySection(index), "Shift", false};
}
constexpr Key<bool> Control(int index) {
    return {HotKeySection(index), "Control", false};
}
constexpr Key<bool> Alt(int index) {
    return {HotKeySection(index), "Alt", false};
}
constexpr Key<bool> Enabled(int index) {
    return {HotKeySection(index), "Enabled", false};
}

} // namespace keys

// Typed access to one value; the key's type decides the encoding.
bool ReadValue(const IniFile& ini, std::string_view section, std::string_view name, bool def);
std::int64_t ReadValue(const IniFile& ini, std::string_view section, std::string_view name,
                       std::int64_t def);
std::string ReadValue(const IniFile& ini, std::string_view section, std::string_view name,
                      std::string_view def);
void WriteValue(IniFile& ini, std::string_view section, std::string_view name, bool value);
void WriteValue(IniFile& ini, std::string_view section, std::string_view name, std::int64_t value);
void WriteValue(IniFile& ini, std::string_view section, std::string_view name,
                std::string_view value);

template <class T>
auto Read(const IniFile& ini, const Key<T>& key) {
    return ReadValue(ini, key.section, key.name, key.def);
}

template <class T>
auto Read(const IniFile& ini, const ComputedKey<T>& key) {
    return ReadValue(ini, key.section, key.name, T(key.def()));
}

template <class T>
auto Read(const IniFile& ini, const CallerKey<T>& key, const std::type_identity_t<T>& fallback) {
    return ReadValue(ini, key.section, key.name, fallback);
}

FontSetting Read(const IniFile& ini, const FontKey& key);

template <class T>
void Write(IniFile& ini, const Key<T>& key, const std::type_identity_t<T>& value) {
    WriteValue(ini, key.section, key.name, value);
}

template <class T>
void Write(IniFile& ini, const ComputedKey<T>& key, const std::type_identity_t<T>& value) {
    WriteValue(ini, key.section, key.name, value);
}

template <class T>
void Write(IniFile& ini, const CallerKey<T>& key, const std::type_identity_t<T>& value) {
    WriteValue(ini, key.section, key.name, value);
}

void Write(IniFile& ini, const FontKey& key, const FontSetting& font);

// History entry number (from 1) of the SendKeysAfrMsg section.
std::string ReadHistoryEntry(const IniFile& ini, int number);
void WriteHistoryEntry(IniFile& ini, int number, std::string_view value);

} // namespace tessarim
