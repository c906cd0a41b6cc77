#include "platform/SingleInstance.h"

#include <QDir>
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
