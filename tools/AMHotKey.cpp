#include "tools/AMHotKey.h"

#include "settings/Settings.h"

namespace tessarim {

namespace {

constexpr std::array<HotKeyRow, HotKeyRowCount> MakeTable() {
    std::array<HotKeyRow, HotKeyRowCount> t{};
    const HotKeyRow head[] = {
        {"None", 0x00, 0},           {"Back Space", 0x08, 0xff08},   {"Tab", 0x09, 0xff09},
        {"Enter", 0x0d, 0xff0d},     {"Pause", 0x13, 0xff13},        {"Caps Lock", 0x14, 0xffe5},
        {"Esc", 0x1b, 0xff1b},       {"Space", 0x20, 0x0020},        {"Page Up", 0x21, 0xff55},
        {"Page Down", 0x22, 0xff56}, {"End", 0x23, 0xff57},          {"Home", 0x24, 0xff50},
        {"Left", 0x25, 0xff51},      {"Up", 0x26, 0xff52},           {"Right", 0x27, 0xff53},
        {"Down", 0x28, 0xff54},      {"Print Screen", 0x2c, 0xff61}, {"Insert", 0x2d, 0xff63},
        {"Delete", 0x2e, 0xffff}};
    int i = 0;
    for (const HotKeyRow& row : head)
        t[i++] = row;
    constexpr const char* digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int d = 0; d < 10; ++d) // 19-28
        t[i++] = {digits[d], static_cast<std::uint8_t>(0x30 + d),
                  static_cast<std::uint32_t>('0' + d)};
    constexpr const char* letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                       "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                       "S", "T", "U", "V", "W", "X", "Y", "Z"};
    // Letters by their lower-case keysym: the symbol of the key's first level.
    for (int l = 0; l < 26; ++l) // 29-54
        t[i++] = {letters[l], static_cast<std::uint8_t>(0x41 + l),
                  static_cast<std::uint32_t>('a' + l)};
    constexpr const char* numpad[] = {"0 : Numpad", "1 : Numpad", "2 : Numpad", "3 : Numpad",
                                      "4 : Numpad", "5 : Numpad", "6 : Numpad", "7 : Numpad",
                                      "8 : Numpad", "9 : Numpad"};
    for (int d = 0; d < 10; ++d) // 55-64
        t[i++] = {numpad[d], static_cast<std::uint8_t>(0x60 + d), 0xffb0u + d};
    const HotKeyRow tail[] = {{"* : Numpad", 0x6a, 0xffaa},
                              {"+ : Numpad", 0x6b, 0xffab},
                              {"- : Numpad", 0x6d, 0xffad},
                              {". : Numpad", 0x6e, 0xffae},
                              {"/ : Numpad", 0x6f, 0xffaf}};
    for (const HotKeyRow& row : tail)
        t[i++] = row;
    constexpr const char* fkeys[] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                     "F7", "F8", "F9", "F10", "F11", "F12"};
    for (int f = 0; f < 12; ++f) // 70-81
        t[i++] = {fkeys[f], static_cast<std::uint8_t>(0x70 + f), 0xffbeu + f};
    const HotKeyRow punctuation[] = {
        {"Numlock", 0x90, 0xff7f},          {"Scroll", 0x91, 0xff14},
        {"- (Hyphen)", 0xbd, 0x2d},         {"= (Equal)", 0xbb, 0x3d},
        {"\\ (Backslash)", 0xdc, 0x5c},     {"[ (Left bracket)", 0xdb, 0x5b},
        {"] (Right bracket)", 0xdd, 0x5d},  {"; (Semi-colon)", 0xba, 0x3b},
        {"' (Quatation mark)", 0xde, 0x27}, {", (Comma)", 0xbc, 0x2c},
        {". (Period)", 0xbe, 0x2e},         {"/ (Slash)", 0xbf, 0x2f}};
    for (const HotKeyRow& row : punctuation)
        t[i++] = row;
    return t;
}

constexpr std::array<HotKeyRow, HotKeyRowCount> Table = MakeTable();

} // namespace

const std::array<HotKeyRow, HotKeyRowCount>& HotKeyTable() {
    return Table;
}

int HotKeyRowOf(std::int64_t stored) {
    return stored >= 0 && stored < HotKeyRowCount ? static_cast<int>(stored) : 0;
}

std::string CombinationText(std::uint8_t modifiers, int row) {
    std::string text;
    if (modifiers & ModControl) text += "Ctrl+";
    if (modifiers & ModAlt) text += "Alt+";
    if (modifiers & ModShift) text += "Shift+";
    if (modifiers & ModWin) text += "Win+";
    return text + Table[static_cast<std::size_t>(HotKeyRowOf(row))].name;
}

bool TakesOrdinaryKey(std::uint8_t modifiers, int row) {
    if (modifiers & (ModControl | ModAlt | ModWin)) return false;
    const std::uint8_t vk = Table[static_cast<std::size_t>(HotKeyRowOf(row))].virtualKey;
    return (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5a) || vk == 0x20 || vk == 0x0d;
}

void THotKeyItem::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        Register();
    else
        Unregister();
}

void THotKeyItem::SetModifiers(std::uint8_t modifiers) {
    if (virtKey_ != 0) modifiers_ = modifiers;
}

void THotKeyItem::SetVirtKey(int row) {
    row = HotKeyRowOf(row);
    if (row == virtKey_) return;
    virtKey_ = row;
    if (row == 0) {
        SetEnabled(false);
        modifiers_ = 0;
    }
}

void THotKeyItem::Register() {
    Unregister();
    if (virtKey_ == 0) return;
    registered_ =
        grabber_.Register(id_, modifiers_, Table[static_cast<std::size_t>(virtKey_)].keysym);
}

void THotKeyItem::Unregister() {
    if (!registered_) return;
    grabber_.Unregister(id_);
    registered_ = false;
}

TAMHotKeys::TAMHotKeys(HotKeyGrabber& grabber) : grabber_(grabber) {
    for (int i = 0; i < HotKeyCount; ++i)
        items_[static_cast<std::size_t>(i)] = std::make_unique<THotKeyItem>(grabber, i);
    grabber_.OnHotKey = [this](int id) {
        if (id >= 0 && id < HotKeyCount && OnHotKey) OnHotKey(static_cast<ClipHotKey>(id));
    };
}

TAMHotKeys::~TAMHotKeys() {
    grabber_.OnHotKey = nullptr;
}

bool LoadHotKeys(const IniFile& ini, TAMHotKeys& hotKeys, std::vector<std::string>& refused) {
    const bool paste = Read(ini, keys::PasteAfrHotKey);
    for (int i = 0; i < HotKeyCount; ++i) {
        THotKeyItem& item = hotKeys.Item(i);
        item.SetVirtKey(HotKeyRowOf(Read(ini, keys::Virtkey(i))));
        std::uint8_t modifiers = 0;
        if (Read(ini, keys::Shift(i))) modifiers |= ModShift;
        if (Read(ini, keys::Control(i))) modifiers |= ModControl;
        if (Read(ini, keys::Alt(i))) modifiers |= ModAlt;
        item.SetModifiers(modifiers);
        if (Read(ini, keys::Enabled(i))) {
            item.SetEnabled(true);
            if (item.VirtKey() != 0 && !item.Registered())
                refused.push_back(CombinationText(item.Modifiers(), item.VirtKey()));
        }
    }
    return paste;
}

void SaveHotKeys(IniFile& ini, const TAMHotKeys& hotKeys, bool pasteAfrHotKey) {
    Write(ini, keys::PasteAfrHotKey, pasteAfrHotKey);
    for (int i = 0; i < HotKeyCount; ++i) {
        const THotKeyItem& item = hotKeys.Item(i);
        Write(ini, keys::Virtkey(i), static_cast<std::int64_t>(item.VirtKey()));
        Write(ini, keys::Shift(i), (item.Modifiers() & ModShift) != 0);
        Write(ini, keys::Control(i), (item.Modifiers() & ModControl) != 0);
        Write(ini, keys::Alt(i), (item.Modifiers() & ModAlt) != 0);
        Write(ini, keys::Enabled(i), item.Enabled());
    }
}

} // namespace tessarim
