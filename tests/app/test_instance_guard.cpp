// The rules of the one-copy guard and of UDP port 4040: one window per user (idle
// connections of the same user kept by nobody), the guard's socket checked for its owner and
// peer before anything is sent to it, the port not shared with another user. Another user's
// cases run as root, with a throwaway second user and a private network namespace.
#include "app/singleInstance.h"
#include "link/deviceSession.h"
#include "link/instanceGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString commandLineTool = u"Não foi possível abrir a porta UDP 4040: a ferramenta de linha de comando ondix a "
                                u"está usando. Sem ela nenhuma Ondix será encontrada nem responderá pela rede; "
                                u"espere o ondix terminar e abra o OndixSetup novamente."_s;

sockaddr_un unixAddress(const QString& path)
{
    sockaddr_un a {};
    a.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(a.sun_path, p.constData(), size_t(std::min<qsizetype>(p.size(), sizeof a.sun_path - 1)));
    return a;
}

// Each test gets places of its own: a runtime directory, a temporary directory open to
// everyone (like /tmp) and a home.
class TPlaces {
public:
    TPlaces()
    {
        ::chmod(QFile::encodeName(base_.path()).constData(), 0755);
        for (auto [name, mode] : {std::pair {"run", 0700}, {"tmp", 01777}, {"home", 0700}}) {
            QDir(base_.path()).mkdir(QLatin1String(name));
            ::chmod(QFile::encodeName(path(name)).constData(), mode_t(mode));
        }
        use(true);
    }
    ~TPlaces()
    {
        for (size_t i = 0; i < saved_.size(); ++i)
            qputenv(variables[i], saved_[i]);
    }
    QString path(const char* name) const { return base_.path() + u'/' + QLatin1String(name); }
    void use(bool runtime) const
    {
        qputenv(variables[0], QFile::encodeName(runtime ? path("run") : path("none")));
        qputenv(variables[1], QFile::encodeName(path("tmp")));
        qputenv(variables[2], QFile::encodeName(path("home")));
    }

private:
    static constexpr const char* variables[] = {"XDG_RUNTIME_DIR", "TMPDIR", "HOME"};
    std::array<QByteArray, 3> saved_ {qgetenv(variables[0]), qgetenv(variables[1]), qgetenv(variables[2])};
    QTemporaryDir base_;
};

}  // namespace

// ---- the same user ------------------------------------------------------------------------

class TestSameUser : public QObject {
    Q_OBJECT
private slots:
    // A second copy is refused and asks the first to come to the front; the queries see the
    // window without raising it; once the first has gone, a new copy runs.
    void oneCopyAtATime()
    {
        TPlaces places;
        QVERIFY(!instanceguard::windowRunning());
        auto first = std::make_unique<TSingleInstance>();
        QSignalSpy raised(first.get(), &TSingleInstance::activationRequested);
        QVERIFY(first->acquire());
        QVERIFY(instanceguard::windowRunning());
        QTest::qWait(100);
        QCOMPARE(raised.count(), 0);
        QVERIFY(!TSingleInstance().acquire());
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 2000);
        first.reset();
        TSingleInstance third;
        QVERIFY(third.acquire());
        QVERIFY(third.problems().isEmpty());
    }

    // While the command-line tool `ondix` holds the port the window lets it go and says so.
    void portMark()
    {
        TPlaces places;
        QVERIFY(!instanceguard::commandLineHoldsPort());
        {
            instanceguard::TPortHolderMark mark;
            QCOMPARE(mark.state(), instanceguard::TPortHolderMark::TState::Held);
            QVERIFY(instanceguard::commandLineHoldsPort());
            QCOMPARE(
                instanceguard::TPortHolderMark().state(), instanceguard::TPortHolderMark::TState::OtherCommandLine);
            QCOMPARE(TDeviceSession().udpBindProblem(), commandLineTool);
        }
        QVERIFY(!instanceguard::commandLineHoldsPort());
        QCOMPARE(TDeviceSession().udpBindProblem(), QString());
    }

    // A few hundred idle connections of the same user: the guard holds a handful at a time,
    // drops them once idle, and still answers the next copy.
    void idleConnections()
    {
        TPlaces places;
        TSingleInstance guard;
        QSignalSpy raised(&guard, &TSingleInstance::activationRequested);
        QVERIFY(guard.acquire());
        const sockaddr_un a = unixAddress(places.path("run") + u"/OndixSetup-"_s + QString::number(::geteuid()));
        const auto descriptors = [] {
            return int(QDir(u"/proc/self/fd"_s).entryList(QDir::Files | QDir::System).size());
        };
        const int before = descriptors();
        std::vector<int> idle;
        for (int i = 0; i < 300; ++i) {
            idle.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
            for (QDeadlineTimer d(5000); ::connect(idle.back(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0
                 && errno == EAGAIN && !d.hasExpired();)
                QCoreApplication::processEvents();  // the guard's queue is full: let it take some
        }
        QVERIFY(descriptors() - before - 300 <= 8);  // the guard's share
        QTRY_COMPARE_WITH_TIMEOUT(descriptors() - before - 300, 0, 3000);
        for (int fd : idle)
            ::close(fd);
        QVERIFY(!TSingleInstance().acquire());
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 2000);
    }
};

// ---- another user ---------------------------------------------------------------------------

// A throwaway local user, made with useradd and removed again.
class TOtherUser {
public:
    TOtherUser() : name_(u"ondixt%1"_s.arg(QCoreApplication::applicationPid()))
    {
        if (QProcess::execute(u"useradd"_s, {u"--system"_s, u"--no-create-home"_s, u"--user-group"_s, name_}) != 0)
            return;
        if (const passwd* entry = ::getpwnam(name_.toLatin1().constData()))
            made = true, uid = entry->pw_uid, gid = entry->pw_gid;
    }
    ~TOtherUser()
    {
        end(true);
        if (made)
            QProcess::execute(u"userdel"_s, {name_});
    }
    bool made = false;
    uid_t uid = 0;
    gid_t gid = 0;

    // Runs `act` as this user in a child process (plain system calls only: the parent has
    // threads). It writes one byte to `ready` once done, then may keep running until
    // end(true); what it writes to `said` can be read back with heard().
    void start(const std::function<int(int ready, int said)>& act)
    {
        int readyPipe[2], saidPipe[2];
        QVERIFY(::pipe(readyPipe) == 0 && ::pipe(saidPipe) == 0);
        end(true);  // one left by a failed check
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(readyPipe[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(9);
            ::_exit(act(readyPipe[1], saidPipe[1]));
        }
        ::close(readyPipe[1]);
        ::close(saidPipe[1]);
        said_ = saidPipe[0];
        ::fcntl(said_, F_SETFL, O_NONBLOCK);
        char byte = 0;
        QCOMPARE(::read(readyPipe[0], &byte, 1), ssize_t(1));
        ::close(readyPipe[0]);
    }
    // The child's exit code, or -1 once it had to be killed; then what it was sent.
    int end(bool kill = false)
    {
        int status = 0;
        if (pid_ <= 0)
            return -2;
        if (kill)
            ::kill(pid_, SIGKILL);
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    QByteArray heard()
    {
        QByteArray all;
        char buffer[256];
        for (ssize_t n; (n = ::read(said_, buffer, sizeof buffer)) > 0;)
            all.append(buffer, n);
        ::close(said_);
        return all;
    }

private:
    QString name_;
    pid_t pid_ = -1;
    int said_ = -1;
};

class TestOtherUser : public QObject {
    Q_OBJECT
public:
    explicit TestOtherUser(TOtherUser& other) : other_(other) { }

private:
    TOtherUser& other_;

    // The other user listens at `path`; every byte it is sent goes to `said`.
    void serveAt(const QString& path)
    {
        const sockaddr_un a = unixAddress(path);
        other_.start([a](int ready, int said) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0)
                return 1;
            ::chmod(a.sun_path, 0777);
            ::write(ready, "r", 1);
            char buffer[64];
            for (int peer; (peer = ::accept(fd, nullptr, nullptr)) >= 0; ::close(peer))
                for (ssize_t n; (n = ::read(peer, buffer, sizeof buffer)) > 0;)
                    ::write(said, buffer, size_t(n));
            return 0;
        });
    }

private slots:
    // Whatever another user plants where the guard looks neither stops the tool nor turns the
    // guard off; it is reported, and nothing is sent to it.
    void plantedThings()
    {
        // where: "tmp" for the directory's place, "run" for the socket's
        for (auto [what, where, why] :
            {std::tuple {std::string_view("symlink"), std::string_view("tmp"), "é um link simbólico"},
                {"directory", "tmp", "pertence a outro usuário (uid %1)"},
                {"socket", "run", "é um socket de outro usuário (uid %1)"},
                {"server", "run", "quem responde é outro usuário (uid %1)"},  // behind a file of one's own
                {"file", "run", "não é um socket"}}) {
            TPlaces places;
            places.use(where == "run");
            const QString planted = places.path(where.data()) + u"/OndixSetup-"_s + QString::number(::geteuid());
            const QString reason = QString::fromUtf8(why).replace(u"%1"_s, QString::number(other_.uid));
            const QString elsewhere = places.path("tmp") + u"/theirs"_s;
            const QByteArray plantedPath = QFile::encodeName(planted), elsewherePath = QFile::encodeName(elsewhere);
            // In the user's own runtime directory the other user cannot create anything: what it
            // made elsewhere is moved there (as if an administrator had).
            const QByteArray made = where == "tmp" ? plantedPath : elsewherePath;
            const bool serving = what == "socket" || what == "server" || what == "symlink";
            if (serving)
                serveAt(what == "symlink" ? elsewhere : QString::fromLocal8Bit(made));
            else
                other_.start([&](int ready, int) {
                    const int ok = what == "file" ? ::close(::open(made.constData(), O_CREAT | O_WRONLY, 0666))
                                                  : ::mkdir(made.constData(), 0777) + ::chmod(made.constData(), 0777);
                    ::write(ready, "r", 1);
                    return ok == 0 ? 0 : 1;
                });
            if (what == "symlink")
                QVERIFY(::symlink(elsewherePath.constData(), plantedPath.constData()) == 0
                    && ::lchown(plantedPath.constData(), other_.uid, other_.gid) == 0);
            else if (where == "run")
                QVERIFY(::rename(elsewherePath.constData(), plantedPath.constData()) == 0);
            if (what == "server")
                QVERIFY(::lchown(plantedPath.constData(), ::geteuid(), ::getegid()) == 0);

            auto first = std::make_unique<TSingleInstance>();
            QSignalSpy raised(first.get(), &TSingleInstance::activationRequested);
            QVERIFY(first->acquire());
            QCOMPARE(first->problems(), QStringList {u"O OndixSetup não usou %1: %2."_s.arg(planted, reason)});
            QVERIFY(instanceguard::windowRunning());
            QVERIFY(!TSingleInstance().acquire());
            QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 2000);
            first.reset();
            QCOMPARE(other_.end(serving), serving ? -1 : 0);
            QCOMPARE(other_.heard(), QByteArray());
        }
    }

    // No bind of another user beside the running tool succeeds, on any address, with or
    // without address or port sharing.
    void portNotShared()
    {
        TPlaces places;
        TDeviceSession tool;
        QCOMPARE(tool.udpBindProblem(), QString());
        for (const char* address : {"0.0.0.0", "127.0.0.1", "127.0.0.2"})
            for (const int option : {0, SO_REUSEADDR, SO_REUSEPORT}) {
                const sockaddr_in a {
                    .sin_family = AF_INET, .sin_port = htons(4040), .sin_addr = {::inet_addr(address)}, .sin_zero = {}};
                other_.start([a, option](int ready, int) {
                    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0), one = 1;
                    if (option != 0)
                        ::setsockopt(fd, SOL_SOCKET, option, &one, sizeof one);
                    const bool taken = ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0;
                    ::write(ready, "r", 1);
                    return taken && errno == EADDRINUSE ? 1 : 0;
                });
                QVERIFY2(other_.end() == 1, address);
                other_.heard();
            }
    }
};

int main(int argc, char** argv)
{
    // Before any thread starts: the namespace is the thread's, inherited by those it starts.
    const bool isolated = ::geteuid() == 0 && ::unshare(CLONE_NEWNET) == 0;
    QCoreApplication app(argc, argv);
    ifreq lo {};
    std::strcpy(lo.ifr_name, "lo");
    lo.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
    if (isolated && ::ioctl(::socket(AF_INET, SOCK_DGRAM, 0), SIOCSIFFLAGS, &lo) != 0)  // loopback up
        return 1;
    TestSameUser sameUser;
    if (const int failed = QTest::qExec(&sameUser, argc, argv))
        return failed;
    std::optional<TOtherUser> other;
    if (isolated)
        other.emplace();
    if (!other || !other->made) {
        std::fprintf(stderr, "another user's cases skipped: needs root, a network namespace and useradd\n");
        return 77;
    }
    TestOtherUser otherUser(*other);
    return QTest::qExec(&otherUser, argc, argv);
}

#include "test_instance_guard.moc"
