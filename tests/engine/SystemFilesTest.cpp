// The engine's file entry points given a FIFO: they refuse it without opening
// it. Opening would wait for a writer; here a writer stands by, so code that
// opens the FIFO reads from it instead of refusing, and the test fails rather
// than hangs.
#include "engine/CodeTables.h"
#include "engine/Detect.h"
#include "engine/FileConvert.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tessarim {
namespace {

class StandbyWriter {
public:
    explicit StandbyWriter(std::string path)
        : thread_([this, path = std::move(path)] {
              // Opening for writing without blocking succeeds only once a reader
              // has the FIFO open.
              while (!done_) {
                  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0) {
                      [[maybe_unused]] const auto written = ::write(fd, "\xC4\xE3", 2);
                      ::close(fd);
                      return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~StandbyWriter() {
        done_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class SystemFiles : public ::testing::Test {
protected:
    void SetUp() override {
        LoadCodeTables();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    }
    test::TempFolder folder;
    const std::string fifo = folder.File("fifo.txt");
};

TEST_F(SystemFiles, DetectionRefusesAFifo) {
    StandbyWriter writer(fifo);
    try {
        DetectFile(fifo);
        FAIL() << "the FIFO was read";
    } catch (const ConvertError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + fifo);
    }
}

TEST_F(SystemFiles, ConversionRefusesAFifoAsSource) {
    StandbyWriter writer(fifo);
    for (const std::string& destination : {folder.File("out.txt"), fifo}) {
        try {
            ConvertFile(fifo, destination, GBK, BIG5, FaceT, false, false);
            FAIL() << "the FIFO was read";
        } catch (const ConvertError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open file " + fifo);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("out.txt")));
}

} // namespace
} // namespace tessarim
