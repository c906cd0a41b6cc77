// The hotkeys without a display: the key table, items and their
// registrations, start-up loading, and the hotkey window's OK.
#include "tools/HotKey.h"
#include "platform/Dialogs.h"
#include "settings/Settings.h"
#include "tests/support/TestSupport.h"
#include "tests/tools/FakeTools.h"
#include "tools/HotKeyForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::FakeGrabber;

const std::string iniPath = test::ToolsIniPath();

constexpr int RowG = 35; // "G"
constexpr int RowF5 = 74;

class AnsweringUser : public Dialogs {
public:
    bool AskYesNo(std::string_view text) override {
        asked.emplace_back(text);
        return answer;
    }
    void BeginBusy() override {}
    void EndBusy() override {}
    bool answer = false;
    std::vector<std::string> asked;
};

TEST(HotKeyTableTest, RowsKeepTheirStoredIndexes) {
    const auto& table = HotKeyTable();
    // Stored settings hold row numbers: each family must sit where it always was.
    const std::tuple<int, const char*, int> rows[] = {
        {0, "None", 0x00},      {7, "Space", 0x20},       {18, "Delete", 0x2e},
        {19, "0", 0x30},        {28, "9", 0x39},          {29, "A", 0x41},
        {54, "Z", 0x5a},        {55, "0 : Numpad", 0x60}, {69, "/ : Numpad", 0x6f},
        {70, "F1", 0x70},       {81, "F12", 0x7b},        {82, "Numlock", 0x90},
        {93, "/ (Slash)", 0xbf}};
    for (const auto& [index, name, vk] : rows) {
        EXPECT_STREQ(table[static_cast<std::size_t>(index)].name, name) << index;
        EXPECT_EQ(table[static_cast<std::size_t>(index)].virtualKey, vk) << index;
    }
    // Every row but "None" names a key the desktop can grab.
    for (int i = 1; i < HotKeyRowCount; ++i)
        EXPECT_NE(table[static_cast<std::size_t>(i)].keysym, 0u) << i;
    // A hand-edited row outside the table is no key at all.
    EXPECT_EQ(HotKeyRowOf(94), 0);
    EXPECT_EQ(HotKeyRowOf(-1), 0);
    EXPECT_EQ(HotKeyRowOf(93), 93);
}

TEST(HotKeyItemTest, RegisteredOnlyWhileEnabledWithAKey) {
    FakeGrabber grabber;
    TAMHotKeys hotKeys(grabber);
    THotKeyItem& item = hotKeys.Item(ClipHotKey::Big5ToGb);
    item.SetModifiers(ModControl); // no key yet: not kept
    EXPECT_EQ(item.Modifiers(), 0);
    item.SetEnabled(true);
    EXPECT_FALSE(item.Registered()); // "None" is never registered
    item.SetEnabled(false);

    item.SetVirtKey(RowG);
    item.SetModifiers(ModControl | ModAlt);
    item.SetEnabled(true);
    ASSERT_TRUE(item.Registered());
    EXPECT_EQ(grabber.active.at(1), std::make_pair(std::uint8_t(ModControl | ModAlt), 'g' + 0u));

    // Choosing "None" switches the item off and gives the key back.
    item.SetVirtKey(0);
    EXPECT_FALSE(item.Enabled());
    EXPECT_EQ(item.Modifiers(), 0);
    EXPECT_TRUE(grabber.active.empty());

    int pressed = -1;
    hotKeys.OnHotKey = [&](ClipHotKey key) { pressed = static_cast<int>(key); };
    hotKeys.Item(3).SetVirtKey(RowF5);
    hotKeys.Item(3).SetEnabled(true);
    grabber.Press(3);
    EXPECT_EQ(pressed, 3);
}

TEST(HotKeyItemTest, ComponentGivesEverythingBackWhenItGoes) {
    FakeGrabber grabber;
    {
        TAMHotKeys hotKeys(grabber);
        for (int i = 0; i < HotKeyCount; ++i) {
            hotKeys.Item(i).SetVirtKey(RowF5 + i);
            hotKeys.Item(i).SetEnabled(true);
        }
        EXPECT_EQ(grabber.active.size(), 4u);
    }
    EXPECT_TRUE(grabber.active.empty());
}

TEST(HotKeyLoadTest, StartUpRegistersTheEnabledAndNamesTheRefused) {
    test::WriteFile(iniPath, "[Data]\nPasteAfrHotKey=1\n"
                             "[HotKey_0]\nVirtkey=35\nControl=1\nAlt=1\nEnabled=1\n"
                             "[HotKey_1]\nVirtkey=36\nControl=1\nAlt=1\nEnabled=1\n"
                             "[HotKey_2]\nVirtkey=120\nShift=1\nEnabled=1\n"
                             "[HotKey_3]\nVirtkey=74\nEnabled=0\n");
    FakeGrabber grabber;
    grabber.heldElsewhere.insert({ModControl | ModAlt, 'h'});
    TAMHotKeys hotKeys(grabber);
    std::vector<std::string> refused;
    EXPECT_TRUE(LoadHotKeys(IniFile(iniPath), hotKeys, refused));
    EXPECT_TRUE(hotKeys.Item(0).Registered());
    EXPECT_FALSE(hotKeys.Item(1).Registered());
    EXPECT_EQ(refused, std::vector<std::string>{"Ctrl+Alt+H"});
    // The row beyond the table is "None": no key, nothing read past the table.
    EXPECT_EQ(hotKeys.Item(2).VirtKey(), 0);
    EXPECT_FALSE(hotKeys.Item(2).Registered());
    // Disabled at start: the key is kept for the window, not registered.
    EXPECT_EQ(hotKeys.Item(3).VirtKey(), RowF5);
    EXPECT_FALSE(hotKeys.Item(3).Enabled());
}

class HotKeyFormTest : public ::testing::Test {
protected:
    FakeGrabber grabber;
    TAMHotKeys hotKeys{grabber};
    bool paste = false;
    HotKeyFormLogic logic{hotKeys, paste};

    void SetUp() override {
        test::WriteFile(iniPath, "");
        hotKeys.Item(0).SetVirtKey(RowG);
        hotKeys.Item(0).SetModifiers(ModControl | ModAlt);
        hotKeys.Item(0).SetEnabled(true);
    }
    static HotKeyFormState Choice(std::array<HotKeyChoice, HotKeyCount> keys, bool enabled) {
        HotKeyFormState state;
        state.keys = keys;
        state.enabled = enabled;
        return state;
    }
};

TEST_F(HotKeyFormTest, OneEnableBoxShowsAndAppliesTheSameState) {
    hotKeys.Item(3).SetVirtKey(RowF5); // has a key, switched off
    EXPECT_TRUE(logic.Current().enabled) << "hotkey 0 is on; the box shows it whatever hotkey 3 is";
    const auto state = Choice({{{RowG, ModControl}, {}, {}, {RowF5, 0}}}, true);
    EXPECT_TRUE(logic.Apply(state).empty());
    EXPECT_TRUE(hotKeys.Item(0).Registered());
    EXPECT_TRUE(hotKeys.Item(3).Registered());
    EXPECT_FALSE(hotKeys.Item(1).Enabled()) << "without a key nothing is enabled";
    EXPECT_TRUE(logic.Current().enabled);
    logic.Apply(Choice(state.keys, false));
    EXPECT_TRUE(grabber.active.empty());
    EXPECT_FALSE(logic.Current().enabled);
}

TEST_F(HotKeyFormTest, DuplicatesAndOrdinaryKeysAreFoundOnlyWhenEnabled) {
    const std::array<HotKeyChoice, HotKeyCount> twice{
        {{RowG, ModAlt}, {0, 0}, {RowG, ModAlt}, {0, 0}}};
    EXPECT_TRUE(HotKeyFormLogic::HasDuplicate(Choice(twice, true)));
    EXPECT_FALSE(HotKeyFormLogic::HasDuplicate(Choice(twice, false)));
    const std::array<HotKeyChoice, HotKeyCount> nones{};
    EXPECT_FALSE(HotKeyFormLogic::HasDuplicate(Choice(nones, true)));
    const std::array<HotKeyChoice, HotKeyCount> differ{
        {{RowG, ModAlt}, {RowG, ModControl}, {}, {}}};
    EXPECT_FALSE(HotKeyFormLogic::HasDuplicate(Choice(differ, true)));

    // A plain letter, Shift+digit, Space: typed everywhere. F5 alone and Ctrl+G are not.
    const std::array<HotKeyChoice, HotKeyCount> plain{
        {{RowG, 0}, {20, ModShift}, {7, 0}, {RowF5, 0}}};
    EXPECT_EQ(HotKeyFormLogic::OrdinaryKeys(Choice(plain, true)),
              (std::vector<std::string>{"G", "Shift+1", "Space"}));
    EXPECT_TRUE(HotKeyFormLogic::OrdinaryKeys(Choice(plain, false)).empty());
}

TEST_F(HotKeyFormTest, RefusedDuplicateKeepsTheWindowAndTheHotKeysInUse) {
    AnsweringUser user;
    test::CapturedMessages messages;
    TFormHotKey window(logic, user, 0, 0, 65001, true);
    window.findChild<QComboBox*>("HotKey1")->setCurrentIndex(RowG);
    window.findChild<QCheckBox*>("Ctrl1")->setChecked(true);
    window.findChild<QCheckBox*>("Alt1")->setChecked(true);
    window.OkClick();
    EXPECT_EQ(messages.texts(), DuplicateMessage);
    EXPECT_EQ(window.result(), 0) << "the window stays open for the correction";
    EXPECT_TRUE(hotKeys.Item(0).Registered()) << "the hotkey in use is untouched";
    EXPECT_EQ(test::ReadFile(iniPath), "");
}

TEST_F(HotKeyFormTest, OkNamesWhatAnotherProgramHoldsAndSaves) {
    AnsweringUser user;
    test::CapturedMessages messages;
    grabber.heldElsewhere.insert({ModControl | ModShift, 0xffc2});
    TFormHotKey window(logic, user, 2, 134, 936, false);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Tessarim 热键"));
    EXPECT_FALSE(window.findChild<QWidget*>("GroupBox2")->isEnabled());
    window.findChild<QComboBox*>("HotKey1")->setCurrentIndex(RowF5);
    window.findChild<QCheckBox*>("Ctrl1")->setChecked(true);
    window.findChild<QCheckBox*>("Shift1")->setChecked(true);
    window.findChild<QCheckBox*>("PasteAfrHotKey")->setChecked(true);
    window.OkClick();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.texts().find("Ctrl+Shift+F5"), std::string::npos) << messages.texts();
    EXPECT_TRUE(paste);
    const IniFile ini(iniPath);
    EXPECT_EQ(Read(ini, keys::Virtkey(1)), RowF5);
    EXPECT_TRUE(Read(ini, keys::Enabled(1))) << "still wanted: tried again at the next start";
    EXPECT_TRUE(Read(ini, keys::PasteAfrHotKey));
}

TEST_F(HotKeyFormTest, OrdinaryKeyIsRegisteredOnlyWhenTheUserAgrees) {
    AnsweringUser user;
    TFormHotKey window(logic, user, 0, 0, 65001, true);
    window.findChild<QComboBox*>("HotKey2")->setCurrentIndex(34); // F
    window.OkClick();
    ASSERT_EQ(user.asked.size(), 1u);
    EXPECT_EQ(window.result(), 0);
    EXPECT_FALSE(hotKeys.Item(2).Enabled());
    user.answer = true;
    window.OkClick();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(hotKeys.Item(2).Registered());
}

} // namespace
} // namespace tessarim
