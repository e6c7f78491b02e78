#include "link/instanceGuard.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace instanceguard {

namespace {

constexpr int connectTimeoutMs = 500;
constexpr int idleLimitMs = 1000;
constexpr int maxOpenPeers = 8;
constexpr int listenBacklog = 8;
constexpr int readChunk = 64;

uid_t me()
{
    return ::geteuid();
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Closes the descriptor when it goes out of scope.
class TFd {
public:
    explicit TFd(int fd) : fd_(fd) { }
    ~TFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

int localSocket()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
}

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool fitsSocketAddress(const QByteArray& path)
{
    return !path.isEmpty() && size_t(path.size()) < sizeof(sockaddr_un::sun_path);
}

sockaddr_un socketAddress(const QByteArray& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

// The user the process at the other end of the connected local socket `fd` runs as; false
// when the system does not say.
bool peerUser(int fd, uid_t* uid)
{
#if defined(__linux__)
    ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return false;
    *uid = credentials.uid;
    return true;
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
    gid_t gid = 0;
    return ::getpeereid(fd, uid, &gid) == 0;
#else
    // No way to ask on this system: the directory, this user's own and closed to everyone
    // else, vouches for whoever listens or connects in it.
    (void)fd;
    *uid = me();
    return true;
#endif
}

// Empty when the directory at `path` (not followed) is this user's own and closed to others.
QString directoryProblem(const QByteArray& path)
{
    struct stat st { };
    if (::lstat(path.constData(), &st) != 0)
        return systemError(errno);
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("é um link simbólico");
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("não é uma pasta");
    if (st.st_uid != me())
        return QStringLiteral("pertence a outro usuário (uid %1)").arg(st.st_uid);
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QStringLiteral("outros usuários têm acesso a ela");
    return {};
}

QString refusedLine(const QString& path, const QString& why)
{
    return QStringLiteral("O OndixSetup não usou %1: %2.").arg(path, why);
}

enum class TFound {
    Nothing,  // no entry
    Stale,  // this user's socket, nobody listening
    OwnServer,  // a process of this user listens (and was sent the request)
    Busy,  // this user's socket, but the connection did not complete in time
    Foreign,  // anything else: `problem` says what
};

// Looks at `path` without following it; when a process of this user listens there, sends it
// `request`.
TFound probe(const QByteArray& path, const QByteArray& request, QString* problem)
{
    struct stat st { };
    if (::lstat(path.constData(), &st) != 0) {
        if (errno == ENOENT)
            return TFound::Nothing;
        *problem = systemError(errno);
        return TFound::Foreign;
    }
    if (S_ISLNK(st.st_mode)) {
        *problem = QStringLiteral("é um link simbólico");
        return TFound::Foreign;
    }
    if (!S_ISSOCK(st.st_mode)) {
        *problem = QStringLiteral("não é um socket");
        return TFound::Foreign;
    }
    if (st.st_uid != me()) {
        *problem = QStringLiteral("é um socket de outro usuário (uid %1)").arg(st.st_uid);
        return TFound::Foreign;
    }
    TFd fd(localSocket());
    if (fd.get() < 0) {
        *problem = systemError(errno);
        return TFound::Foreign;
    }
#if defined(SO_NOSIGPIPE)
    const int one = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    // A server whose queue is full keeps connect() waiting; never longer than this.
    timeval limit {0, connectTimeoutMs * 1000};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    const sockaddr_un address = socketAddress(path);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int code = errno;
        if (code == ECONNREFUSED || code == ENOENT)
            return TFound::Stale;
        if (code == EAGAIN || code == EWOULDBLOCK || code == ETIMEDOUT || code == EINPROGRESS || code == EINTR)
            return TFound::Busy;
        *problem = systemError(code);
        return TFound::Foreign;
    }
    uid_t peer = 0;
    if (!peerUser(fd.get(), &peer)) {
        *problem = QStringLiteral("o sistema não diz de que usuário é quem responde");
        return TFound::Foreign;
    }
    if (peer != me()) {
        *problem = QStringLiteral("quem responde é outro usuário (uid %1)").arg(peer);
        return TFound::Foreign;
    }
    if (!request.isEmpty()) {
        int flags = 0;
#if defined(MSG_NOSIGNAL)
        flags = MSG_NOSIGNAL;
#endif
        (void)::send(fd.get(), request.constData(), size_t(request.size()), flags);
    }
    return TFound::OwnServer;
}

bool someoneListens(const QString& name)
{
    const QString directory = userDirectory(false);
    if (directory.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(directory + QLatin1Char('/') + name);
    if (!fitsSocketAddress(path))
        return false;
    QString ignored;
    const TFound found = probe(path, {}, &ignored);
    return found == TFound::OwnServer || found == TFound::Busy;
}

}  // namespace

QString windowSocketName()
{
    return QStringLiteral("OndixSetup-%1").arg(me());
}

QString portMarkSocketName()
{
    return QStringLiteral("OndixSetup-%1-ondix").arg(me());
}

bool windowRunning()
{
    return someoneListens(windowSocketName());
}

bool commandLineHoldsPort()
{
    return someoneListens(portMarkSocketName());
}

QString userDirectory(bool create, QStringList* problems)
{
    struct TCandidate {
        QString path;
        bool ours;  // a directory of the tool's own, made here when missing
    };
    std::vector<TCandidate> candidates;
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
#if defined(__linux__)
    // The same place when a session lacks the variable (a login over ssh, say).
    if (runtime.isEmpty())
        runtime = QStringLiteral("/run/user/%1").arg(me());
#endif
    if (!runtime.isEmpty())
        candidates.push_back({runtime, false});
    candidates.push_back({QDir::tempPath() + QStringLiteral("/OndixSetup-%1").arg(me()), true});
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty() && home != QLatin1String("/"))
        candidates.push_back({home + QStringLiteral("/.OndixSetup"), true});

    for (const TCandidate& candidate : candidates) {
        const QByteArray path = QFile::encodeName(candidate.path);
        struct stat st { };
        if (::lstat(path.constData(), &st) != 0 && errno == ENOENT) {
            if (!create || !candidate.ours)
                continue;  // nothing there: not an attack, just not this place
            if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
                if (problems)
                    *problems << refusedLine(candidate.path, systemError(errno));
                continue;
            }
        }
        const QString problem = directoryProblem(path);
        if (problem.isEmpty())
            return candidate.path;
        if (problems)
            *problems << refusedLine(candidate.path, problem);
    }
    return {};
}

struct TUserSocketServer::TPeer {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    qint64 since = 0;
};

TUserSocketServer::TUserSocketServer(QString name, int requestLimit, QObject* parent)
    : QObject(parent), name_(std::move(name)), requestLimit_(std::max(0, requestLimit))
{
    idleTimer_ = new QTimer(this);
    idleTimer_->setInterval(idleLimitMs / 4);
    connect(idleTimer_, &QTimer::timeout, this, &TUserSocketServer::dropIdlePeers);
}

TUserSocketServer::~TUserSocketServer()
{
    while (!peers_.empty())
        dropPeer(peers_.back()->fd);
    closeListener();
}

TUserSocketServer::TClaim TUserSocketServer::claim(const QByteArray& request)
{
    if (listening())
        return TClaim::Taken;
    const QString directory = userDirectory(true, &problems_);
    if (directory.isEmpty()) {
        problems_ << QStringLiteral("Nenhuma pasta só deste usuário pôde ser usada: o OndixSetup não sabe se "
                                    "há outra cópia aberta.");
        return TClaim::Unavailable;
    }
    path_ = directory + QLatin1Char('/') + name_;
    const QByteArray path = QFile::encodeName(path_);
    if (!fitsSocketAddress(path)) {
        problems_ << refusedLine(path_, QStringLiteral("caminho longo demais para um socket local"));
        return TClaim::Unavailable;
    }
    // Two copies starting at once: the second waits here until the first listens.
    const QByteArray lockPath = path + ".lock";
    TFd lock(::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.get() >= 0)
        ::flock(lock.get(), LOCK_EX);

    QString why;
    switch (probe(path, request, &why)) {
    case TFound::OwnServer:
    case TFound::Busy:
        return TClaim::HeldByOther;
    case TFound::Foreign:
        problems_ << refusedLine(path_, why);
        [[fallthrough]];
    case TFound::Stale:
        // The directory is this user's own: whatever is in it may go.
        if (::unlink(path.constData()) != 0 && errno != ENOENT) {
            problems_ << refusedLine(path_, systemError(errno));
            return TClaim::Unavailable;
        }
        break;
    case TFound::Nothing:
        break;
    }
    int error = 0;
    if (!listenAt(&error)) {
        problems_ << refusedLine(path_, systemError(error));
        return TClaim::Unavailable;
    }
    return TClaim::Taken;
}

bool TUserSocketServer::listenAt(int* error)
{
    const QByteArray path = QFile::encodeName(path_);
    TFd fd(localSocket());
    const sockaddr_un address = socketAddress(path);
    if (fd.get() < 0 || !setNonBlocking(fd.get())
        || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd.get(), listenBacklog) != 0) {
        *error = errno;
        return false;
    }
    listenFd_ = fd.release();
    listenNotifier_ = new QSocketNotifier(qintptr(listenFd_), QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, &TUserSocketServer::acceptPending);
    return true;
}

void TUserSocketServer::closeListener()
{
    if (listenFd_ < 0)
        return;
    listenNotifier_->setEnabled(false);
    listenNotifier_->deleteLater();
    listenNotifier_ = nullptr;
    ::close(listenFd_);
    listenFd_ = -1;
    // Only our own socket goes: a later copy may already listen at the path.
    const QByteArray path = QFile::encodeName(path_);
    QString ignored;
    if (probe(path, {}, &ignored) == TFound::Stale)
        ::unlink(path.constData());
}

void TUserSocketServer::acceptPending()
{
    for (int i = 0; i < 32 && listenFd_ >= 0; ++i) {
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            const int code = errno;
            if (code == EINTR || code == ECONNABORTED)
                continue;
            if (code == EAGAIN || code == EWOULDBLOCK)
                return;
            if (code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM) {
                // Out of descriptors for a moment: keep listening, try again shortly.
                listenNotifier_->setEnabled(false);
                QTimer::singleShot(200, this, [this] {
                    if (listenNotifier_)
                        listenNotifier_->setEnabled(true);
                });
                return;
            }
            // The listening socket itself failed: listen again.
            closeListener();
            int error = 0;
            if (!listenAt(&error))
                problems_ << refusedLine(path_, systemError(error));
            return;
        }
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        uid_t peer = 0;
        if (requestLimit_ == 0 || int(peers_.size()) >= maxOpenPeers || !setNonBlocking(fd) || !peerUser(fd, &peer)
            || peer != me()) {
            ::close(fd);
            continue;
        }
        auto entry = std::make_unique<TPeer>();
        entry->fd = fd;
        entry->since = nowMs();
        entry->notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        connect(entry->notifier, &QSocketNotifier::activated, this, [this, fd] { readPeer(fd); });
        peers_.push_back(std::move(entry));
        if (!idleTimer_->isActive())
            idleTimer_->start();
    }
}

void TUserSocketServer::readPeer(int fd)
{
    char buffer[readChunk];
    const ssize_t got = ::read(fd, buffer, size_t(std::min(requestLimit_, readChunk)));
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    // One read per connection: whatever else it sends is never taken in.
    dropPeer(fd);
    if (got > 0)
        emit requestReceived(QByteArray(buffer, qsizetype(got)));
}

void TUserSocketServer::dropPeer(int fd)
{
    const auto it = std::find_if(peers_.begin(), peers_.end(), [fd](const auto& p) { return p->fd == fd; });
    if (it == peers_.end())
        return;
    (*it)->notifier->setEnabled(false);
    (*it)->notifier->deleteLater();
    ::close(fd);
    peers_.erase(it);
    if (peers_.empty())
        idleTimer_->stop();
}

void TUserSocketServer::dropIdlePeers()
{
    const qint64 now = nowMs();
    std::vector<int> idle;
    for (const auto& p : peers_)
        if (now - p->since >= idleLimitMs)
            idle.push_back(p->fd);
    for (int fd : idle)
        dropPeer(fd);
}

TPortHolderMark::TPortHolderMark() : server_(std::make_unique<TUserSocketServer>(portMarkSocketName(), 0))
{
    switch (server_->claim()) {
    case TUserSocketServer::TClaim::Taken:
        state_ = TState::Held;
        break;
    case TUserSocketServer::TClaim::HeldByOther:
        state_ = TState::OtherCommandLine;
        break;
    case TUserSocketServer::TClaim::Unavailable:
        state_ = TState::Unavailable;
        break;
    }
}

TPortHolderMark::~TPortHolderMark() = default;

QStringList TPortHolderMark::problems() const
{
    return server_->problems();
}

}  // namespace instanceguard
