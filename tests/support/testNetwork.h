// A private test network for end-to-end tests: two network namespaces made by
// scripts/testnet (the tool's and the devices'), ondix-sim started in the device
// namespace, and this process's own thread moved into the tool namespace. Nothing of it
// touches the machine's own interfaces; everything is removed again on destruction.
#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

class TTestNetwork {
public:
    // `name` must be unique among running tests (include the process id).
    explicit TTestNetwork(QString name);
    ~TTestNetwork() { down(); }

    // 0 when namespaces can be made here; otherwise 77 and the reason in `why`.
    static int check(QString* why);
    // Runs `test` with QTest::qExec, or returns 77 (skipped) with the reason on stderr
    // where namespaces can't be made.
    static int exec(QObject& test, int argc, char** argv);

    // Creates the namespaces with `devices` device addresses on 10.231.<subnet>.0/24.
    bool up(int devices, int subnet = 1);
    // Starts ondix-sim in the device namespace with this configuration (or these arguments
    // when `config` is empty) and waits until it reports READY.
    bool startSim(const QJsonObject& config, const QStringList& extraArgs = {});
    void stopSim();
    // Moves the calling thread (and the threads it starts later) into the tool namespace.
    bool enterToolNamespace();
    void leaveToolNamespace();
    void down();

    QString simLog() const;
    QString simLogPath() const { return dir_.filePath(QStringLiteral("sim.log")); }
    // The running ondix-sim's process id (0 when none runs).
    qint64 simPid() const { return sim_.processId(); }
    QString toolAddress() const { return prefix_ + QStringLiteral(".1"); }
    QString deviceAddress(int i) const { return prefix_ + QStringLiteral(".%1").arg(10 + i); }
    QString broadcastAddress() const { return prefix_ + QStringLiteral(".255"); }
    QString namespaceName(const char* which) const
    {
        return QStringLiteral("ondix-%1-%2").arg(name_, QLatin1String(which));
    }

private:
    QString name_;
    QString prefix_;
    QTemporaryDir dir_;
    QProcess sim_;
    int homeNs_ = -1;
    bool up_ = false;
};

// main() of a suite on the test network: the application of type `App`, then `Test` run by
// TTestNetwork::exec (skipped where namespaces can't be made).
#define ONDIX_NETWORK_TEST_MAIN(App, Test)                                                                             \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        App app(argc, argv);                                                                                           \
        Test test;                                                                                                     \
        return TTestNetwork::exec(test, argc, argv);                                                                   \
    }
