// The file routine interrupted and attacked: killed (SIGKILL) at every stage of
// an in-place conversion, stopped by SIGINT, SIGTERM and SIGHUP, raced by a
// second run, and pointed by another local user at files not theirs. Each
// conversion runs in a child process, so the kill is real.
#include "engine/ConvertStream.h"
#include "engine/FileConvert.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessarim {
namespace {

using test::ReadFile;
using test::WriteFile;
using Names = std::vector<std::string>;

constexpr uid_t Attacker = 4242;
constexpr uid_t Victim = 4343;

// GBK text of about three blocks whose boundaries split characters.
std::string ThreeBlocks() {
    std::string text = "A";
    while (text.size() < 2 * BlockSize + 5000)
        text += "\xC4\xE3";
    return text;
}

// Runs body in a child process; its wait status.
int InChild(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            body();
        } catch (...) {
            ::_exit(3);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class InPlaceSafety : public ::testing::Test {
protected:
    void TearDown() override { SetFileFaultHook(nullptr); }
    std::string P(const std::string& name) const { return folder.File(name); }
    static void Convert(const std::string& in, const std::string& out) {
        ConvertFile(in, out, {GBK, BIG5, FaceT, false, false}, nullptr);
    }
    // The conversion in a child that sends itself the signal at operation n.
    static int SignalledAt(const std::string& in, const std::string& out, std::uint64_t n,
                           int signal) {
        return InChild([&] {
            SetFileFaultHook([=](FileOperation, std::uint64_t index) {
                if (index == n) ::raise(signal);
                return false;
            });
            Convert(in, out);
        });
    }
    std::uint64_t OperationsOf(const std::string& in, const std::string& out) {
        std::uint64_t count = 0;
        SetFileFaultHook([&](FileOperation, std::uint64_t) { return ++count, false; });
        Convert(in, out);
        SetFileFaultHook(nullptr);
        return count;
    }
    Names Listed() const { return test::FolderNames(folder.Path()); }

    test::TempFolder folder;
};

TEST_F(InPlaceSafety, KilledAnywhereTheOriginalIsIntactOrNamedByTheNextRun) {
    const std::string original = ThreeBlocks();
    std::string converted = original;
    ConvertStream(converted, {GBK, BIG5, FaceT, false, false});
    WriteFile(P("a.txt"), original);
    const std::uint64_t operations = OperationsOf(P("a.txt"), P("a.txt"));
    int intact = 0, named = 0;
    for (std::uint64_t n = 0; n < operations; n += n + 8 < operations ? 23 : 1) {
        WriteFile(P("a.txt"), original);
        const int status = SignalledAt(P("a.txt"), P("a.txt"), n, SIGKILL);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << n;
        const std::string left = ReadFile(P("a.txt"));
        std::string message;
        try {
            Convert(P("a.txt"), P("a.txt"));
        } catch (const ConvertError& error) {
            message = error.what();
        }
        if (message.empty()) {
            // Nothing was written over: the next run converts, clearing what was left.
            ASSERT_TRUE(left == original) << n;
            EXPECT_TRUE(ReadFile(P("a.txt")) == converted) << n;
            ++intact;
        } else {
            const std::size_t at = message.find(" is kept in ") + 12;
            const std::string copy = message.substr(at, message.find(' ', at) - at);
            ASSERT_TRUE(ReadFile(copy) == original) << n << message;
            EXPECT_TRUE(ReadFile(P("a.txt")) == left) << "the file was converted again";
            EXPECT_NE(message.find("cp '" + copy + "' '" + P("a.txt") + "'"), std::string::npos);
            fs::remove(copy);
            ++named;
        }
        EXPECT_EQ(Listed(), Names{"a.txt"}) << n;
    }
    EXPECT_GT(named, 0);
    EXPECT_GT(intact, 0);
    std::printf("killed at %d points: %d left intact, %d named by the next run\n", intact + named,
                intact, named);
}

// Where the saved copy can carry no record (FAT and exFAT keep no extended
// attributes), no later run would recognise it: the converted text is then
// written beside the file and takes its place whole. Killed at any point, the
// file is the original, never half converted.
TEST_F(InPlaceSafety, WithoutARecordOnTheCopyTheFileIsReplacedWhole) {
    const std::string original = ThreeBlocks();
    std::string converted = original;
    ConvertStream(converted, {GBK, BIG5, FaceT, false, false});
    WriteFile(P("a.txt"), original);
    fs::permissions(P("a.txt"), fs::perms(0640));
    std::uint64_t operations = 0;
    SetFileFaultHook([&](FileOperation operation, std::uint64_t) {
        ++operations;
        return operation == FileOperation::Mark;
    });
    Convert(P("a.txt"), P("a.txt"));
    SetFileFaultHook(nullptr);
    ASSERT_TRUE(ReadFile(P("a.txt")) == converted);
    EXPECT_EQ(fs::status(P("a.txt")).permissions(), fs::perms(0640));
    EXPECT_EQ(Listed(), Names{"a.txt"});
    for (std::uint64_t n = 0; n < operations; ++n) {
        WriteFile(P("a.txt"), original);
        const int status = InChild([&] {
            SetFileFaultHook([n](FileOperation operation, std::uint64_t index) {
                if (index == n) ::raise(SIGKILL);
                return operation == FileOperation::Mark;
            });
            Convert(P("a.txt"), P("a.txt"));
        });
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << n;
        EXPECT_TRUE(ReadFile(P("a.txt")) == original) << n;
        for (const std::string& name : Listed())
            if (name != "a.txt") fs::remove(P(name)); // the unfinished conversion
    }
}

TEST_F(InPlaceSafety, InterruptingSignalsPutTheOriginalBack) {
    const std::string original = ThreeBlocks();
    WriteFile(P("a.txt"), original);
    const std::uint64_t operations = OperationsOf(P("a.txt"), P("a.txt"));
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        for (const std::uint64_t n :
             {std::uint64_t{1}, operations / 2, operations - 4, operations - 2}) {
            WriteFile(P("a.txt"), original);
            const int status = SignalledAt(P("a.txt"), P("a.txt"), n, signal);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
                << signal << " " << n << " " << status;
            EXPECT_TRUE(ReadFile(P("a.txt")) == original) << signal << " " << n;
            EXPECT_EQ(Listed(), Names{"a.txt"});
        }
    // A new destination stopped midway leaves nothing under its name.
    const std::uint64_t separate = OperationsOf(P("a.txt"), P("new.txt"));
    fs::remove(P("new.txt"));
    for (const int signal : {SIGKILL, SIGTERM}) {
        SignalledAt(P("a.txt"), P("new.txt"), separate / 2, signal);
        EXPECT_FALSE(fs::exists(P("new.txt"))) << signal;
        EXPECT_EQ(Listed(), Names{"a.txt"}) << signal;
    }
    // One replacing an existing file leaves it as it was, and nothing beside.
    for (const int signal : {SIGKILL, SIGTERM}) {
        WriteFile(P("old.txt"), "kept");
        SignalledAt(P("a.txt"), P("old.txt"), separate / 2, signal);
        EXPECT_EQ(ReadFile(P("old.txt")), "kept") << signal;
        EXPECT_EQ(Listed(), (Names{"a.txt", "old.txt"})) << signal;
    }
}

TEST_F(InPlaceSafety, SecondRunOnAFileInUseFailsAndLeavesIt) {
    WriteFile(P("a.txt"), "\xC4\xE3");
    const int fd = ::open(P("a.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_THROW(Convert(P("a.txt"), P("a.txt")), ConvertError);
    EXPECT_EQ(ReadFile(P("a.txt")), "\xC4\xE3");
    ::close(fd);
    Convert(P("a.txt"), P("a.txt"));
    EXPECT_EQ(ReadFile(P("a.txt")), "\xA7\x41");
    EXPECT_EQ(Listed(), Names{"a.txt"});
}

// Outputs and saved originals are the owner's alone until complete, then carry
// the source's mode.
TEST_F(InPlaceSafety, CopiesAndNewOutputsAreNoWiderThanTheirSource) {
    WriteFile(P("a.txt"), ThreeBlocks());
    for (const auto mode : {fs::perms(0600), fs::perms(0640)}) {
        fs::permissions(P("a.txt"), mode);
        bool checked = false;
        SetFileFaultHook([&](FileOperation, std::uint64_t index) {
            if (index == 40)
                for (const auto& entry : fs::directory_iterator(folder.Path()))
                    if (entry.path().filename() != "a.txt") {
                        EXPECT_EQ(entry.status().permissions() & fs::perms(077), fs::perms(0));
                        checked = true;
                    }
            return false;
        });
        Convert(P("a.txt"), P("a.txt"));
        Convert(P("a.txt"), P("new.txt"));
        EXPECT_TRUE(checked);
        EXPECT_EQ(fs::status(P("a.txt")).permissions(), mode);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        EXPECT_EQ(fs::status(P("new.txt")).permissions(), mode & ~fs::perms(mask));
        fs::remove(P("new.txt"));
    }
}

class AnotherUser : public InPlaceSafety {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "only root can plant files of other users";
    }
};

TEST_F(AnotherUser, ReplacedOutputKeepsOwnerGroupAndAttributesLosesSetId) {
    WriteFile(P("in.txt"), "\xC4\xE3");
    WriteFile(P("out.txt"), "old");
    ASSERT_EQ(::chown(P("out.txt").c_str(), Victim, Victim), 0);
    ASSERT_EQ(::chmod(P("out.txt").c_str(), 06755), 0);
    const bool xattrs = ::setxattr(P("out.txt").c_str(), "user.origin", "x", 1, 0) == 0;
    Convert(P("in.txt"), P("out.txt"));
    struct stat status {};
    ::stat(P("out.txt").c_str(), &status);
    EXPECT_EQ(status.st_uid, Victim);
    EXPECT_EQ(status.st_gid, Victim);
    EXPECT_EQ(status.st_mode & 07777, 0755u);
    char value[4] = {};
    if (xattrs) {
        EXPECT_EQ(::getxattr(P("out.txt").c_str(), "user.origin", value, 4), 1);
    }
    // A user who cannot keep the owner does not replace the file.
    fs::permissions(folder.Path(), fs::perms(0777));
    fs::permissions(P("in.txt"), fs::perms(0644));
    WriteFile(P("out.txt"), "old");
    const int status2 = InChild([&] {
        if (::setgid(Attacker) != 0 || ::setuid(Attacker) != 0) ::_exit(4);
        Convert(P("in.txt"), P("out.txt"));
    });
    EXPECT_EQ(WEXITSTATUS(status2), 3);
    EXPECT_EQ(ReadFile(P("out.txt")), "old");
    ::stat(P("out.txt").c_str(), &status);
    EXPECT_EQ(status.st_uid, Victim);
}

// Root converts into a name another user planted as a link to a third user's
// file, in a sticky world-writable folder and in a group-writable one.
TEST_F(AnotherUser, LinksPlantedByAnotherUserAreNotWrittenThrough) {
    WriteFile(P("private.txt"), "victim's");
    ASSERT_EQ(::chown(P("private.txt").c_str(), Victim, Victim), 0);
    fs::permissions(P("private.txt"), fs::perms(0600));
    WriteFile(P("in.txt"), "\xC4\xE3");
    for (const auto& [name, mode] : {std::pair{"sticky", 01777}, std::pair{"group", 0770}}) {
        const std::string shared = P(name);
        fs::create_directory(shared);
        ASSERT_EQ(::chown(shared.c_str(), 0, Attacker), 0);
        ASSERT_EQ(::chmod(shared.c_str(), static_cast<mode_t>(mode)), 0);
        const std::string link = shared + "/out.txt";
        fs::create_symlink(P("private.txt"), link);
        ASSERT_EQ(::lchown(link.c_str(), Attacker, Attacker), 0);
        EXPECT_THROW(Convert(P("in.txt"), link), ConvertError) << name;
        EXPECT_THROW(Convert(link, link), ConvertError) << name;
        EXPECT_EQ(ReadFile(P("private.txt")), "victim's") << name;
        EXPECT_TRUE(fs::is_symlink(link));
        // Nor does one to root's own source make the run convert it in place.
        const std::string toSource = shared + "/back.txt";
        fs::create_symlink(P("in.txt"), toSource);
        ASSERT_EQ(::lchown(toSource.c_str(), Attacker, Attacker), 0);
        EXPECT_THROW(Convert(P("in.txt"), toSource), ConvertError) << name;
        EXPECT_EQ(ReadFile(P("in.txt")), "\xC4\xE3") << name;
    }
}

} // namespace
} // namespace tessarim
