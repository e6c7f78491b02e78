// Where this user's copies of the tool meet on this computer: the window's one-copy guard and
// the mark by which the command-line tool `ondix` says that it holds UDP port 4040. Qt Core and
// Network only, so that the command-line tool can use it as well.
//
// Both are local sockets named by the numeric user id, in a directory only this user can create
// entries in:
//     OndixSetup-<uid>          the window listens on it while it runs (TSingleInstance);
//     OndixSetup-<uid>-ondix    `ondix` listens on it while it holds port 4040 (TPortHolderMark).
// The directory is $XDG_RUNTIME_DIR when that is this user's own directory, closed to everyone
// else and not a symbolic link; otherwise <temp>/OndixSetup-<uid> and, should someone else have
// taken that name, $HOME/.OndixSetup, each created with mode 0700 when missing and used only
// when it passes the same checks. A server at either path is believed only when the system says
// that the process behind it runs as this user (SO_PEERCRED on Linux, getpeereid on macOS);
// anything else found there (a file, a symbolic link, a socket or server of another user) is
// reported in one line and never followed nor sent anything.
//
// The window and `ondix` both bind UDP port 4040, which the system lets one user share (see
// link/udpPort.h); neither may take answers meant for the other, so:
//     ondix:   TPortHolderMark mark;  then, only when mark.state() is Held and windowRunning()
//              is false, bind the port (and keep `mark` alive as long as the port).
//     window:  takes the guard, binds the port, then lets the port go again when
//              commandLineHoldsPort() says that `ondix` holds it.
// Whichever of the two looks last sees the other.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace instanceguard {

// True when this user's OndixSetup window runs on this computer. Takes nothing, creates
// nothing, sends nothing; the window does not come to the front.
bool windowRunning();

// True when this user's command-line tool `ondix` holds UDP port 4040 (its TPortHolderMark
// is alive).
bool commandLineHoldsPort();

// The directory both sockets live in (created when `create` and missing), or empty when no
// candidate passed the checks. Each candidate refused on the way adds a line to `problems`.
QString userDirectory(bool create, QStringList* problems = nullptr);

// One per-user socket: finds the copy of this user that holds the name, or takes the name and
// listens on it. Each connection is read once, at most `requestLimit` bytes (0: closed at once),
// and closed; idle ones are closed after a second; at most a few are open at any time.
class TUserSocketServer : public QObject {
    Q_OBJECT
public:
    enum class TClaim {
        Taken,  // this process now listens on the name
        HeldByOther,  // a process of this user listens on it (and was sent the request)
        Unavailable,  // no usable place: see problems()
    };

    TUserSocketServer(QString name, int requestLimit, QObject* parent = nullptr);
    ~TUserSocketServer() override;

    // Sends `request` to a copy of this user that holds the name, or takes the name.
    TClaim claim(const QByteArray& request = {});
    bool listening() const { return listenFd_ >= 0; }
    QString path() const { return path_; }
    // Portuguese lines on what was refused or went wrong (reported by the caller).
    QStringList problems() const { return problems_; }

signals:
    // What a connection of this user sent (at most requestLimit bytes).
    void requestReceived(const QByteArray& request);

private:
    struct TPeer;
    bool listenAt(int* error);
    void closeListener();
    void acceptPending();
    void readPeer(int fd);
    void dropPeer(int fd);
    void dropIdlePeers();

    QString name_;
    int requestLimit_;
    QString path_;
    QStringList problems_;
    int listenFd_ = -1;
    QSocketNotifier* listenNotifier_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    std::vector<std::unique_ptr<TPeer>> peers_;
};

// Held by `ondix` for as long as it holds UDP port 4040, so that the window can say who has
// the port. Taken on construction, given back on destruction.
class TPortHolderMark {
public:
    enum class TState {
        Held,  // the mark is ours: the port may be bound
        OtherCommandLine,  // another `ondix` of this user holds the port: do not bind it
        Unavailable,  // no usable place (problems() says why): the window cannot be told
    };

    TPortHolderMark();
    ~TPortHolderMark();
    TPortHolderMark(const TPortHolderMark&) = delete;
    TPortHolderMark& operator=(const TPortHolderMark&) = delete;

    TState state() const { return state_; }
    QStringList problems() const;

private:
    std::unique_ptr<TUserSocketServer> server_;
    TState state_ = TState::Unavailable;
};

// The names of the two sockets (without the directory).
QString windowSocketName();
QString portMarkSocketName();

}  // namespace instanceguard
