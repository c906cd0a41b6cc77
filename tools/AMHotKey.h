#pragma once
// The four clipboard hotkeys: the key table they choose from, the item that
// keeps one combination registered while it is enabled, the component that
// owns the four, and their settings.
#include "platform/HotKeys.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessarim {

class IniFile;

// A row of the hotkey key table: its name in the lists, the Windows virtual
// key it stands for, and the X keysym of that key.
struct HotKeyRow {
    const char* name;
    std::uint8_t virtualKey;
    std::uint32_t keysym;
};
inline constexpr int HotKeyRowCount = 94;
const std::array<HotKeyRow, HotKeyRowCount>& HotKeyTable();

// A stored row index; one outside the table (a hand-edited file) is "None".
int HotKeyRowOf(std::int64_t stored);

// The hotkeys by number: also their registration ids.
enum class ClipHotKey { GbToBig5 = 0, Big5ToGb = 1, UnicodeStoT = 2, UnicodeTtoS = 3 };
inline constexpr int HotKeyCount = 4;

// "Ctrl+Alt+G": how a combination is named in messages.
std::string CombinationText(std::uint8_t modifiers, int row);

// A plain letter, digit, Space or Enter without Ctrl or Alt: registering it
// would take that key from every program.
bool TakesOrdinaryKey(std::uint8_t modifiers, int row);

// `THotKeyItem`: one combination, registered while it is enabled and has a key.
class THotKeyItem {
public:
    THotKeyItem(HotKeyGrabber& grabber, int id) : grabber_(grabber), id_(id) {}
    ~THotKeyItem() { Unregister(); }
    THotKeyItem(const THotKeyItem&) = delete;
    THotKeyItem& operator=(const THotKeyItem&) = delete;

    int Id() const { return id_; }
    bool Enabled() const { return enabled_; }
    // Registers when switched on, unregisters when switched off.
    void SetEnabled(bool enabled);
    std::uint8_t Modifiers() const { return modifiers_; }
    // Kept only while the item has a key.
    void SetModifiers(std::uint8_t modifiers);
    // A table row; row 0 ("None") switches the item off and clears the modifiers.
    int VirtKey() const { return virtKey_; }
    void SetVirtKey(int row);
    // The desktop accepted the registration.
    bool Registered() const { return registered_; }

private:
    void Register();
    void Unregister();

    HotKeyGrabber& grabber_;
    int id_;
    bool enabled_ = false;
    std::uint8_t modifiers_ = 0;
    int virtKey_ = 0;
    bool registered_ = false;
};

// `TAMHotKeys`: the four items, their presses dispatched to each item's
// handler, all unregistered when the component goes.
class TAMHotKeys {
public:
    explicit TAMHotKeys(HotKeyGrabber& grabber);
    ~TAMHotKeys();
    TAMHotKeys(const TAMHotKeys&) = delete;
    TAMHotKeys& operator=(const TAMHotKeys&) = delete;

    THotKeyItem& Item(ClipHotKey key) { return *items_[static_cast<std::size_t>(key)]; }
    THotKeyItem& Item(int index) { return *items_[static_cast<std::size_t>(index)]; }
    const THotKeyItem& Item(int index) const { return *items_[static_cast<std::size_t>(index)]; }

    // What a press of hotkey `index` runs.
    std::function<void(ClipHotKey)> OnHotKey;

private:
    HotKeyGrabber& grabber_;
    std::array<std::unique_ptr<THotKeyItem>, HotKeyCount> items_;
};

// Reads the four sections and registers the enabled items; returns
// `PasteAfrHotKey`. The combinations another program holds are named in
// `refused`.
bool LoadHotKeys(const IniFile& ini, TAMHotKeys& hotKeys, std::vector<std::string>& refused);
// Writes `PasteAfrHotKey` and the four sections, in index order.
void SaveHotKeys(IniFile& ini, const TAMHotKeys& hotKeys, bool pasteAfrHotKey);

} // namespace tessarim
