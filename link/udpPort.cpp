#include "link/udpPort.h"

#include <QHostAddress>
#include <QUdpSocket>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace udpport {

namespace {

bool fail(int fd, QString* error)
{
    const int code = errno;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(code));
    if (fd >= 0)
        ::close(fd);
    return false;
}

}  // namespace

bool bindForUser(QUdpSocket& socket, const QHostAddress& address, quint16 port, QString* error)
{
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    if (!ok) {
        if (error)
            *error = QStringLiteral("not an IPv4 address: %1").arg(address.toString());
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return fail(fd, error);
    const int one = 1;
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0)
        return fail(fd, error);
#if defined(__linux__)
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one) != 0)
        return fail(fd, error);
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0)
        return fail(fd, error);
#endif
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(ipv4);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        return fail(fd, error);
    if (!socket.setSocketDescriptor(fd, QAbstractSocket::BoundState)) {
        if (error)
            *error = socket.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace udpport
