#include "mainwin/Glyphs.h"

#include "tests/support/TestSupport.h"

#include <QIcon>
#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessarim {
namespace {

namespace fs = std::filesystem;

// The window and the tray ask the icon theme for the icon the build draws and
// installs under the same name; where the theme lacks it they still get the
// built-in picture.
TEST(ProgramIcon, ComesFromTheInstalledThemeElseIsTheBuiltInPicture) {
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    const test::TempFolder icons;
    const QString iconsDir = QString::fromStdString(icons.Dir());
    QIcon::setThemeName("hicolor");

    QIcon::setThemeSearchPaths({iconsDir});
    const QIcon builtIn = ProgramIcon();
    EXPECT_EQ(
        builtIn.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32),
        GlyphIcon(Glyph::Program).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32));

    const fs::path apps = icons.Path() / "hicolor/48x48/apps";
    fs::create_directories(apps);
    test::WriteFile(icons.Path() / "hicolor/index.theme",
                    "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
                    "[48x48/apps]\nSize=48\nType=Fixed\n");
    fs::copy_file(TESSARIM_BINARY_DIR "/desktop/icons/48x48/org.tessarim.Tessarim.png",
                  apps / "org.tessarim.Tessarim.png");
    QIcon::setThemeSearchPaths({iconsDir}); // forgets what was looked up before
    const QIcon themed = ProgramIcon();
    EXPECT_EQ(themed.name(), "org.tessarim.Tessarim");
    EXPECT_EQ(themed.pixmap(48, 48).size(), QSize(48, 48));

    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(themeName);
}

} // namespace
} // namespace tessarim
