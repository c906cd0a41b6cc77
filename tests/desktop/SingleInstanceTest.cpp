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

TEST(SingleInstance, SecondStartAsksTheFirstToComeForwardAndGivesWay) {
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);

    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(raised.wait(2000));
    EXPECT_EQ(raised.count(), 1);

    SingleInstance third(name);
    EXPECT_FALSE(third.Acquire()) << "the first keeps the name after answering";
}

TEST(SingleInstance, NameIsFreeAgainWhenTheFirstEnds) {
    const QString name = UniqueName();
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.Acquire());
    }
    SingleInstance next(name);
    EXPECT_TRUE(next.Acquire());
}

TEST(SingleInstance, NameLeftBehindByACrashedInstanceIsTakenOver) {
    const QString name = UniqueName();
    SingleInstance instance(name);
    // A socket file nobody listens on, as a killed instance leaves it.
    const std::string path =
        QDir::tempPath().toStdString() + "/" + instance.ServerName().toStdString();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));

    EXPECT_TRUE(instance.Acquire());
    SingleInstance later(name);
    EXPECT_FALSE(later.Acquire()) << "the taken-over name answers again";
}

} // namespace
} // namespace tessarim
