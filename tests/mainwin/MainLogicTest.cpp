#include "mainwin/MainLogic.h"
#include "mainwin/MainTexts.h"

#include "settings/Settings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

using test::TempFolder;

TEST(MainLayout, RightHandControlsFollowTheWindowsRightEndLessTheGap) {
    const RightHandLayout wide = LayOutRightHand(1024, 0);
    EXPECT_EQ(wide.BtnClose.left, 1024 - 40 - 12);
    EXPECT_EQ(wide.BtnAbout.Right() + 4, wide.BtnClose.left);
    EXPECT_EQ(wide.BtnOption.Right() + 4, wide.BtnAbout.left);
    EXPECT_EQ(wide.BtnKey.Right() + 4, wide.BtnOption.left);
    // The hint panel fills the space between the clipboard viewer button and BtnKey.
    EXPECT_EQ(wide.Panel1.left, design::ClipBtn.Right() + 4);
    EXPECT_EQ(wide.Panel1.Right(), wide.BtnKey.left - 4);
    EXPECT_EQ(wide.Panel1.top, design::Panel1.top);
    EXPECT_EQ(wide.Panel1.height, design::Panel1.height);

    const RightHandLayout gapped = LayOutRightHand(1024, 50);
    EXPECT_EQ(gapped.BtnClose.left, wide.BtnClose.left - 50);
    EXPECT_EQ(gapped.Panel1.width, wide.Panel1.width - 50);
}

TEST(MainPosition, StartEdgeComesFromTheSavedStateWhenRemembered) {
    EXPECT_EQ(InitialPosition(false, true, abeBottom, 1, 2).edge, abeTop);
    EXPECT_FALSE(InitialPosition(false, true, abeBottom, 1, 2).floatPos);

    const StartPosition bottom = InitialPosition(true, false, abeBottom, 1, 2);
    EXPECT_EQ(bottom.edge, abeBottom);
    EXPECT_FALSE(bottom.floatPos);

    const StartPosition floating = InitialPosition(true, false, abeFloat, 300, 400);
    EXPECT_EQ(floating.edge, abeFloat);
    EXPECT_EQ(floating.floatPos, (Point{300, 400}));

    const StartPosition hidden = InitialPosition(true, true, abeBottom, 5, 6);
    EXPECT_EQ(hidden.edge, abeFloat) << "a hidden bar floats invisibly";
    EXPECT_EQ(hidden.floatPos, (Point{5, 6}));

    // Edges the bar may not take, or no edge at all, start it at the top.
    for (const std::int64_t edge : {0, 2, 4, 6, -1, 1000})
        EXPECT_EQ(InitialPosition(true, false, edge, 0, 0).edge, abeTop) << edge;
}

TEST(MainPosition, ClosingSavesTheEdgeOrTheHiddenEdgeAndTheFloatingCorner) {
    TempFolder folder;
    IniFile ini(folder.File("Tessarim.ini"));

    WritePosition(ini, PositionToSave(true, abeBottom, abeTop, {7, 8}));
    EXPECT_EQ(Read(ini, keys::LastEdge), abeBottom);
    EXPECT_FALSE(Read(ini, keys::HideMain));
    EXPECT_EQ(Read(ini, keys::FloatLeft), 10) << "a docked bar leaves the floating corner";

    WritePosition(ini, PositionToSave(true, abeFloat, abeTop, {123, 456}));
    EXPECT_EQ(Read(ini, keys::LastEdge), abeFloat);
    EXPECT_EQ(Read(ini, keys::FloatLeft), 123);
    EXPECT_EQ(Read(ini, keys::FloatTop), 456);

    // Hidden, the bar floats; what counts is the edge it had.
    WritePosition(ini, PositionToSave(false, abeFloat, abeBottom, {1, 1}));
    EXPECT_EQ(Read(ini, keys::LastEdge), abeBottom);
    EXPECT_TRUE(Read(ini, keys::HideMain));
    EXPECT_EQ(Read(ini, keys::FloatLeft), 123);
    const StartPosition next = InitialPosition(true, true, Read(ini, keys::LastEdge), 0, 0);
    EXPECT_EQ(next.edge, abeFloat);
}

TEST(MainFormLogic, HidingRemembersTheEdgeAndSwapsTheMenuEntries) {
    ProgramSettings settings;
    MainFormLogic logic(settings);
    EXPECT_FALSE(logic.ShowEntryEnabled());
    EXPECT_TRUE(logic.HideEntryEnabled());
    logic.Hide(abeBottom);
    EXPECT_TRUE(logic.ShowEntryEnabled());
    EXPECT_FALSE(logic.HideEntryEnabled());
    EXPECT_EQ(logic.Show(), abeBottom);
    EXPECT_FALSE(logic.ShowEntryEnabled());
    EXPECT_TRUE(logic.HideEntryEnabled());

    logic.StartHidden(abeFloat);
    EXPECT_EQ(logic.Show(), abeFloat);

    logic.trayAvailable = false;
    EXPECT_FALSE(logic.HideEntryEnabled()) << "without a tray the bar could not come back";
}

TEST(MainFormLogic, CommandsRunOnlyWithAHandlerAndUnicodeButtonsNeedBothCodePages) {
    ProgramSettings settings;
    MainFormLogic logic(settings);
    int runs = 0;
    for (int c = 0; c < static_cast<int>(MainCommand::Count); ++c) {
        const auto command = static_cast<MainCommand>(c);
        EXPECT_FALSE(logic.ButtonEnabled(command));
        EXPECT_FALSE(logic.MenuEntryEnabled(command));
        logic.Run(command); // nothing to run, nothing happens
        logic.SetHandler(command, [&runs] { ++runs; });
        EXPECT_TRUE(logic.ButtonEnabled(command));
    }
    logic.Run(MainCommand::Options);
    EXPECT_EQ(runs, 1);

    logic.unicodeAvailable = false;
    for (int c = 0; c < static_cast<int>(MainCommand::Count); ++c) {
        const auto command = static_cast<MainCommand>(c);
        EXPECT_EQ(logic.ButtonEnabled(command), !IsUnicodeCommand(command)) << c;
        EXPECT_TRUE(logic.MenuEntryEnabled(command)) << c;
    }
}

TEST(MainTexts, EveryLanguageHasEveryTextAndOnlyTheChineseOnesAreChinese) {
    const auto fields = [](const MainTexts& t) {
        return std::vector<std::string>{t.BtnFileCaption,
                                        t.BtnFileHint,
                                        t.BtnClipGtoBHint,
                                        t.BtnClipBtoGHint,
                                        t.ClipBtnHint,
                                        t.BtnOptionHint,
                                        t.BtnAboutHint,
                                        t.About1,
                                        t.BtnCloseHint,
                                        t.Exit1,
                                        t.BtnKeyHint,
                                        t.SendKey1,
                                        t.ClipboardGBB51,
                                        t.ClipboardB5GB1,
                                        t.Clipboardviewer1,
                                        t.S1,
                                        t.Hide1,
                                        t.UClipConStoTHint,
                                        t.UClipConTtoSHint,
                                        t.ClipU_StoT,
                                        t.ClipU_TtoS,
                                        t.Uni2DecHint,
                                        t.Uni2HexHint,
                                        t.DecNot,
                                        t.HexNot};
    };
    const auto hasNonAscii = [](const std::string& text) {
        for (const char c : text)
            if (static_cast<unsigned char>(c) >= 0x80) return true;
        return false;
    };
    for (const std::int64_t lang : {0, 1, 2}) {
        const MainTexts* texts = MainTextsFor(lang);
        ASSERT_NE(texts, nullptr);
        for (const std::string& text : fields(*texts)) {
            EXPECT_FALSE(text.empty()) << lang;
            EXPECT_EQ(hasNonAscii(text), lang != 0) << lang << ": " << text;
        }
    }
    EXPECT_EQ(MainTextsFor(3), nullptr);
    EXPECT_EQ(MainTextsFor(-1), nullptr);
    EXPECT_EQ(MainTextsFor(1)->DecNot, MainTextsFor(1)->Uni2DecHint);
    EXPECT_NE(MainTextsFor(0)->DecNot, MainTextsFor(0)->Uni2DecHint);
    // The Simplified clipboard hints are not cut by an undecodable byte pair.
    EXPECT_EQ(MainTextsFor(2)->BtnClipGtoBHint, "剪贴板：GBK > Big5　简转繁");
}

TEST(MainTexts, HintPanelShowsAmpersandsAsTheyAreMeant) {
    EXPECT_EQ(PanelText("Convert && Sendkey"), "Convert & Sendkey");
    EXPECT_EQ(PanelText("&File"), "File");
    EXPECT_EQ(PanelText("a&&&&b&"), "a&&b");
    EXPECT_EQ(PanelText("剪貼簿：統一碼"), "剪貼簿：統一碼");
}

TEST(ProgramSettings, LoadedValuesAndTheLanguagesCharacterSet) {
    TempFolder folder;
    test::ScopedEnv acp("TESSARIM_ACP", "950");
    IniFile ini(folder.File("Tessarim.ini"));
    ProgramSettings settings;
    LoadProgramSettings(ini, settings);
    EXPECT_EQ(settings.Lang, 1) << "a Big5 system starts in Traditional Chinese";
    EXPECT_EQ(settings.UiCharset, 136);
    EXPECT_TRUE(settings.AutoHide);
    EXPECT_EQ(settings.GapWidth, 0);

    Write(ini, keys::Lang, std::int64_t{2});
    Write(ini, keys::GapWidth, std::int64_t{50});
    Write(ini, keys::AutoHide, false);
    LoadProgramSettings(ini, settings);
    EXPECT_EQ(settings.UiCharset, 134);
    EXPECT_EQ(settings.GapWidth, 50);
    EXPECT_FALSE(settings.AutoHide);
    EXPECT_EQ(UiCharsetOf(0), 0);
    EXPECT_EQ(UiCharsetOf(7), 0);
}

} // namespace
} // namespace tessarim
