#include "platform/ProgramDir.h"

#include <gtest/gtest.h>

namespace tessarim {
namespace {

ProgramDirInputs Inputs() {
    ProgramDirInputs inputs;
    inputs.exeFolder = "/opt/tessarim";
    inputs.exeFolderWritable = false;
    inputs.home = "/home/mei";
    return inputs;
}

TEST(ProgramDir, TessarimHomeWinsOverEverything) {
    ProgramDirInputs inputs = Inputs();
    inputs.exeFolderWritable = true;
    inputs.xdgConfigHome = "/cfg";
    inputs.tessarimHome = "/tmp/t";
    EXPECT_EQ(ResolveProgramDir(inputs), "/tmp/t/");
    inputs.tessarimHome = "/tmp/t/";
    EXPECT_EQ(ResolveProgramDir(inputs), "/tmp/t/");
}

TEST(ProgramDir, WritableExecutableFolderHoldsTheFiles) {
    ProgramDirInputs inputs = Inputs();
    inputs.exeFolderWritable = true;
    inputs.xdgConfigHome = "/cfg";
    EXPECT_EQ(ResolveProgramDir(inputs), "/opt/tessarim/");
}

TEST(ProgramDir, InstalledCopyUsesTheConfigurationFolder) {
    ProgramDirInputs inputs = Inputs();
    EXPECT_EQ(ResolveProgramDir(inputs), "/home/mei/.config/tessarim/");
    inputs.xdgConfigHome = "/srv/conf/";
    EXPECT_EQ(ResolveProgramDir(inputs), "/srv/conf/tessarim/");
    // A relative configuration folder is not valid and is ignored.
    inputs.xdgConfigHome = "conf";
    EXPECT_EQ(ResolveProgramDir(inputs), "/home/mei/.config/tessarim/");
    inputs.home.clear();
    EXPECT_EQ(ResolveProgramDir(inputs), "/opt/tessarim/");
}

TEST(ProgramDir, IsWorkedOutOnceAndEndsInSlash) {
    const std::string& folder = ProgramDir();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(&folder, &ProgramDir());
}

} // namespace
} // namespace tessarim
