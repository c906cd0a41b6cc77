#include "platform/SingleInstance.h"

#include <QDir>
#include <QSignalSpy>
#include <QUuid>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessarim {
namespace {

QString UniqueName() {
    return "TessarimTest-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(SingleInstance, SecondStartAsksTheFirstToComeForwardAndTheNameIsFreeWhenTheFirstEnds) {
    const QString name = UniqueName();
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.Acquire());
        QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
        EXPECT_FALSE(SingleInstance(name).Acquire());
        EXPECT_TRUE(raised.wait(2000));
        EXPECT_EQ(raised.count(), 1);
        EXPECT_FALSE(SingleInstance(name).Acquire()) << "the first keeps the name after answering";
    }
    EXPECT_TRUE(SingleInstance(name).Acquire());
}

TEST(SingleInstance, NameLeftBehindByACrashedInstanceIsTakenOver) {
    const QString name = UniqueName();
    SingleInstance instance(name);
    // A socket file nobody listens on, as a killed instance leaves it.
    const std::string path =
        QDir::tempPath().toStdString() + "/" + instance.ServerName().toStdString();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(instance.Acquire());
    EXPECT_FALSE(SingleInstance(name).Acquire()) << "the taken-over name answers again";
}

} // namespace
} // namespace tessarim
