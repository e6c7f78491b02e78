#include "tests/support/testNetwork.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

int runTestnet(const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(ONDIX_TESTNET_PATH), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(1000);
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace

TTestNetwork::TTestNetwork(QString name) : name_(std::move(name)) { }

int TTestNetwork::check(QString* why)
{
    return runTestnet({QStringLiteral("check")}, why) == 0 ? 0 : 77;
}

int TTestNetwork::exec(QObject& test, int argc, char** argv)
{
    QString why;
    if (check(&why) == 0)
        return QTest::qExec(&test, argc, argv);
    std::fprintf(stderr, "%s skipped: %s\n", argv[0], qPrintable(why.trimmed()));
    return 77;
}

bool TTestNetwork::up(int devices, int subnet)
{
    prefix_ = QStringLiteral("10.231.%1").arg(subnet);
    up_ = true;  // a half-made network is removed too
    return runTestnet({QStringLiteral("up"), name_, QStringLiteral("--devices"), QString::number(devices),
               QStringLiteral("--subnet"), QString::number(subnet)})
        == 0;
}

bool TTestNetwork::startSim(const QJsonObject& config, const QStringList& extraArgs)
{
    stopSim();
    if (!dir_.isValid())
        return false;
    QFile::remove(simLogPath());
    QStringList args {
        QStringLiteral("netns"), QStringLiteral("exec"), namespaceName("dev"), QStringLiteral(ONDIX_SIM_PATH)};
    if (!config.isEmpty()) {
        QFile file(dir_.filePath(QStringLiteral("devices.json")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(QJsonDocument(config).toJson()) < 0)
            return false;
        args << QStringLiteral("--config") << file.fileName();
    }
    args << extraArgs << QStringLiteral("--log") << simLogPath();
    if (!extraArgs.contains(QStringLiteral("--run-for")))  // a stray emulator ends by itself
        args << QStringLiteral("--run-for") << QStringLiteral("300");
    sim_.setProcessChannelMode(QProcess::ForwardedChannels);
    sim_.start(QStringLiteral("ip"), args);
    if (!sim_.waitForStarted(5000))
        return false;
    for (const QDeadlineTimer deadline(15000); !deadline.hasExpired(); QThread::msleep(20)) {
        if (simLog().contains(QStringLiteral(" READY ")))
            return true;
        if (sim_.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

void TTestNetwork::stopSim()
{
    if (sim_.state() == QProcess::NotRunning)
        return;
    sim_.terminate();
    if (!sim_.waitForFinished(3000))
        sim_.kill(), sim_.waitForFinished(3000);
}

bool TTestNetwork::enterToolNamespace()
{
    if (homeNs_ < 0)
        homeNs_ = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int toolNs = open(qPrintable(QStringLiteral("/run/netns/") + namespaceName("tool")), O_RDONLY | O_CLOEXEC);
    if (homeNs_ < 0 || toolNs < 0)
        return false;
    const bool entered = setns(toolNs, CLONE_NEWNET) == 0;
    close(toolNs);
    return entered;
}

void TTestNetwork::leaveToolNamespace()
{
    if (homeNs_ >= 0)
        setns(homeNs_, CLONE_NEWNET), close(std::exchange(homeNs_, -1));
}

void TTestNetwork::down()
{
    stopSim();
    leaveToolNamespace();
    if (std::exchange(up_, false))
        runTestnet({QStringLiteral("down"), name_});
}

QString TTestNetwork::simLog() const
{
    QFile file(simLogPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
