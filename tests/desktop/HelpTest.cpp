#include "platform/Help.h"

#include "tests/support/TestSupport.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

TEST(Help, EachContextHasItsAnchorInTheLocalFile) {
    const QUrl url = HelpUrl("/opt/tessarim/Tessarim.html", 21);
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile().toStdString(), "/opt/tessarim/Tessarim.html");
    EXPECT_EQ(url.fragment().toStdString(), "context-21");
}

TEST(Help, MissingFileIsReportedInsteadOfOpeningNothing) {
    test::TempFolder folder;
    test::CapturedMessages messages;
    DesktopHelp help(folder.File("Tessarim.html"));
    help.ShowContext(1);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].first, MessageKind::Error);
    EXPECT_EQ(messages.texts(), "Cannot open file " + folder.File("Tessarim.html"));
}

TEST(Help, ShippedFileHasAnAnchorForEveryContextOfEveryLanguage) {
    const std::string page = test::ReadFile(TESSARIM_SOURCE_DIR "/help/Tessarim.html");
    for (int window = 1; window <= 7; ++window)
        for (int language = 0; language < 3; ++language) {
            const int context = window + 10 * language;
            EXPECT_NE(page.find("id=\"context-" + std::to_string(context) + "\""),
                      std::string::npos)
                << context;
        }
}

} // namespace
} // namespace tessarim
