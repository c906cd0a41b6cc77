#include "platform/ProgramDir.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

TEST(ProgramDir, ResolutionRules) {
    // Executable folder, whether it is writable, $TESSARIM_HOME, $XDG_CONFIG_HOME, home,
    // whether the executable is installed.
    const std::pair<ProgramDirInputs, const char*> cases[] = {
        {{"/opt/tessarim", true, "/tmp/t", "/cfg", "/home/mei"}, "/tmp/t/"}, // wins over all
        {{"/opt/tessarim", false, "/tmp/t/", "", "/home/mei"}, "/tmp/t/"},
        {{"/opt/tessarim", true, "", "/cfg", "/home/mei"}, "/opt/tessarim/"}, // an unpacked copy
        {{"/opt/tessarim", false, "", "", "/home/mei"}, "/home/mei/.config/tessarim/"},
        {{"/opt/tessarim", false, "", "/srv/conf/", "/home/mei"}, "/srv/conf/tessarim/"},
        {{"/opt/tessarim", false, "", "conf", "/home/mei"}, "/home/mei/.config/tessarim/"},
        {{"/opt/tessarim", false, "", "conf", ""}, "/opt/tessarim/"},
        // Installed and run by root, who may write anywhere: nothing goes beside it.
        {{"/usr/bin", true, "", "", "/root", true}, "/root/.config/tessarim/"},
        {{"/usr/bin", true, "/tmp/t", "", "/root", true}, "/tmp/t/"},
    };
    for (const auto& [inputs, expected] : cases)
        EXPECT_EQ(ResolveProgramDir(inputs), expected)
            << inputs.exeFolderWritable << "|" << inputs.tessarimHome << "|" << inputs.xdgConfigHome
            << "|" << inputs.home << "|" << inputs.installed;
}

} // namespace
} // namespace tessarim
