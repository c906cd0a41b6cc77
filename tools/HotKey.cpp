#include "tools/HotKey.h"

namespace tessarim {

namespace {

std::string Listed(const std::vector<std::string>& combinations) {
    std::string text;
    for (const std::string& combination : combinations)
        text += "\r\n  " + combination;
    return text;
}

} // namespace

HotKeyFormState HotKeyFormLogic::Current() const {
    HotKeyFormState state;
    for (int i = 0; i < HotKeyCount; ++i) {
        const THotKeyItem& item = hotKeys_.Item(i);
        state.keys[static_cast<std::size_t>(i)] = {item.VirtKey(), item.Modifiers()};
        if (item.VirtKey() != 0 && item.Enabled()) state.enabled = true;
    }
    state.paste = paste_;
    return state;
}

bool HotKeyFormLogic::HasDuplicate(const HotKeyFormState& state) {
    if (!state.enabled) return false;
    for (std::size_t i = 0; i < state.keys.size(); ++i)
        for (std::size_t j = i + 1; j < state.keys.size(); ++j)
            if (state.keys[i].row != 0 && state.keys[i] == state.keys[j]) return true;
    return false;
}

std::vector<std::string> HotKeyFormLogic::OrdinaryKeys(const HotKeyFormState& state) {
    std::vector<std::string> found;
    if (!state.enabled) return found;
    for (const HotKeyChoice& key : state.keys)
        if (key.row != 0 && TakesOrdinaryKey(key.modifiers, key.row))
            found.push_back(CombinationText(key.modifiers, key.row));
    return found;
}

std::vector<std::string> HotKeyFormLogic::Apply(const HotKeyFormState& state) {
    for (int i = 0; i < HotKeyCount; ++i) {
        THotKeyItem& item = hotKeys_.Item(i);
        item.SetEnabled(false);
        item.SetVirtKey(state.keys[static_cast<std::size_t>(i)].row);
        item.SetModifiers(state.keys[static_cast<std::size_t>(i)].modifiers);
    }
    std::vector<std::string> refused;
    for (int i = 0; i < HotKeyCount; ++i) {
        THotKeyItem& item = hotKeys_.Item(i);
        item.SetEnabled(state.enabled && item.VirtKey() != 0);
        if (item.Enabled() && !item.Registered())
            refused.push_back(CombinationText(item.Modifiers(), item.VirtKey()));
    }
    paste_ = state.paste;
    return refused;
}

void HotKeyFormLogic::Save(IniFile& ini) const {
    SaveHotKeys(ini, hotKeys_, paste_);
}

std::string HotKeyCaption(int codePage) {
    if (codePage == 950) return "Tessarim 快速鍵";
    if (codePage == 936) return "Tessarim 热键";
    return "Tessarim - Hotkeys";
}

std::string OrdinaryKeysQuestion(const std::vector<std::string>& combinations) {
    return "These keys would no longer type in any other program:" + Listed(combinations) +
           "\r\n\r\nUse them as hotkeys anyway?";
}

std::string RefusedMessage(const std::vector<std::string>& combinations) {
    return "Another program holds these key combinations, so they are not active:" +
           Listed(combinations) + "\r\n\r\nChoose other keys, or close that program and try again.";
}

const HotKeyTexts* HotKeyTextsFor(std::int64_t lang) {
    static const HotKeyTexts texts[] = {
        {{" GBK > Big5 ", " Big5 > GBK ", " Unicode: Simplified Chinese to Traditional Chinese ",
          " Unicode: Traditional Chinese to Simplified Chinese "},
         "Enable HotKey",
         "Paste text to active window after conversion finished",
         "Clipboard Conversion"},
        {{" GBK > Big5 (簡轉繁) ", " Big5 > GBK (繁轉簡) ", " 統一碼：簡轉繁 ", " 統一碼：繁轉簡 "},
         "啟動快速鍵功能",
         "轉碼後自動貼上使用中視窗",
         "剪貼簿內碼轉換"},
        {{" GBK > Big5 (简转繁) ", " Big5 > GBK (繁转简) ", " 统一码：简转繁 ", " 统一码：繁转简 "},
         "启动热键功能",
         "转码后自动粘贴到使用中视窗",
         "剪贴板内码转换"},
    };
    return lang >= 0 && lang <= 2 ? &texts[lang] : nullptr;
}

} // namespace tessarim
