// Binding UDP port 4040 so that no other user of the computer can bind it beside us.
//
// The devices answer to port 4040 of whoever asked, so a socket of another user bound to
// the same port (on any address) could take the answers. The tool and the emulated Ondix of
// the same user, on the same computer, must still share the port: the tool on every address,
// the emulator on the addresses of its devices.
//
// - Linux: SO_REUSEPORT, which the kernel grants only between sockets of the same effective
//   user. A datagram goes to the socket bound to its destination address before one bound to
//   every address, so the emulator receives what is sent to its devices and the tool the
//   answers sent to it; sockets bound to the same address by the same user would share the
//   datagrams between them, which is why one copy of the tool runs per user.
// - macOS and the BSDs: SO_REUSEADDR, which there lets a socket bind a specific address
//   beside one bound to every address, and never across users (the kernel refuses a bind
//   that overlaps a socket of another user unless both share the port on purpose, which is
//   SO_REUSEPORT and is never set here).
// - Elsewhere: no sharing at all (the emulator then cannot run beside the tool).
#pragma once

#include <QString>
#include <QtGlobal>

class QHostAddress;
class QUdpSocket;

namespace udpport {

// Binds `socket` (not yet open) to the IPv4 `address` and `port` as above, with broadcast
// sending allowed. False with `error` set (the system's reason) when the bind fails.
bool bindForUser(QUdpSocket& socket, const QHostAddress& address, quint16 port, QString* error = nullptr);

}  // namespace udpport
