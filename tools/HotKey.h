#pragma once
// The hotkey window's behaviour: what it shows of the four hotkeys, and its OK:
// refuse duplicates before anything changes, register the new combinations,
// name the ones another program holds, save.
#include "tools/AMHotKey.h"

#include <array>
#include <string>
#include <vector>

namespace tessarim {

struct HotKeyChoice {
    int row = 0;
    std::uint8_t modifiers = 0;
    bool operator==(const HotKeyChoice&) const = default;
};

// The window's controls: a key and its modifiers per hotkey, one enable box
// for all four, the paste box.
struct HotKeyFormState {
    std::array<HotKeyChoice, HotKeyCount> keys{};
    bool enabled = false;
    bool paste = false;
};

inline constexpr const char* DuplicateMessage = "Duplicated Key-combination is not allowed!";

class HotKeyFormLogic {
public:
    HotKeyFormLogic(TAMHotKeys& hotKeys, bool& pasteAfrHotKey)
        : hotKeys_(hotKeys), paste_(pasteAfrHotKey) {}

    // The enable box is ticked when any hotkey with a key is enabled, as OK
    // then applies it to all four.
    HotKeyFormState Current() const;
    // With the box ticked, two hotkeys with the same key and modifiers.
    static bool HasDuplicate(const HotKeyFormState& state);
    // With the box ticked, the combinations that would take an ordinary key
    // from every program.
    static std::vector<std::string> OrdinaryKeys(const HotKeyFormState& state);
    // Unregisters all four, takes the new combinations and registers them when
    // the box is ticked. Returns the combinations another program holds.
    std::vector<std::string> Apply(const HotKeyFormState& state);
    void Save(IniFile& ini) const;

private:
    TAMHotKeys& hotKeys_;
    bool& paste_;
};

// The window's caption by the system's code page.
std::string HotKeyCaption(int codePage);

// The messages of OK beyond the duplicate one.
std::string OrdinaryKeysQuestion(const std::vector<std::string>& combinations);
std::string RefusedMessage(const std::vector<std::string>& combinations);

struct HotKeyTexts {
    std::array<const char*, HotKeyCount> groups;
    const char* Enable;
    const char* Paste;
    const char* Heading;
};
const HotKeyTexts* HotKeyTextsFor(std::int64_t lang);

} // namespace tessarim
