#include "platform/Help.h"

#include "tests/support/TestSupport.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

TEST(Help, ContextsAreAnchorsOfTheShippedFileAndAMissingFileIsReportedInsteadOfOpeningNothing) {
    EXPECT_EQ(HelpUrl("/opt/tessarim/Tessarim.html", 21).toString().toStdString(),
              "file:///opt/tessarim/Tessarim.html#context-21");
    // Seven windows, three languages.
    const std::string page = test::ReadFile(TESSARIM_SOURCE_DIR "/help/Tessarim.html");
    for (int window = 1; window <= 7; ++window)
        for (const int context : {window, window + 10, window + 20})
            EXPECT_NE(page.find("id=\"context-" + std::to_string(context) + "\""),
                      std::string::npos)
                << context;

    test::TempFolder folder;
    test::CapturedMessages messages;
    DesktopHelp(folder.File("Tessarim.html")).ShowContext(1);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].first, MessageKind::Error);
    EXPECT_EQ(messages.texts(), "Cannot open file " + folder.File("Tessarim.html"));
}

} // namespace
} // namespace tessarim
