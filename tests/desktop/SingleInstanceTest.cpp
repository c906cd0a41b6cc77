#include "platform/SingleInstance.h"

#include <QDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessarim {
namespace {

TEST(SingleInstance, NameLeftBehindByACrashedInstanceIsTakenOver) {
    const QString name = "TessarimTest-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    SingleInstance instance(name);
    // A socket file nobody listens on, as a killed instance leaves it.
    const std::string path =
        QDir::tempPath().toStdString() + "/" + instance.ServerName().toStdString();
    sockaddr_un address{AF_UNIX, {}};
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    EXPECT_TRUE(instance.Acquire());
    EXPECT_FALSE(SingleInstance(name).Acquire()) << "the taken-over name answers again";
}

} // namespace
} // namespace tessarim
