// `ondix` end to end: the tool runs as its own process in the tool namespace of a private
// test network, three emulated units answer from the device namespace; a few cases run the
// tool built against the fake cable (ondix-usbsim), whose emulated unit follows the real
// clock. Outputs, JSON and exit codes are checked against literals, and what reached the
// units against ondix-sim's log.
#include <QtNetwork>
#include <QtTest>

#include "link/instanceGuard.h"
#include "tests/support/testNetwork.h"

namespace {

struct TRun {
    int code = -1;
    QString out;
    QString err;
};

const QString rfLine = QStringLiteral(
    "sendrf,2,4,1,30,930,90,30,30,90,90,30,30,90,30,90,90,30,30,90,90,30,90,30,90,30,30,90,30,90,30,90,30,90,90,30,"
    "90,30,30,90,30,90,90,30,90,30,90,30,90,30,30,90,30,90");

}  // namespace

class TestCliEndToEnd : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("cli%1").arg(QCoreApplication::applicationPid())};
    // The tool's and the window's per-user sockets live here, not where a window of this
    // computer's user would see them.
    QTemporaryDir runtimeDir_;

    TRun run(const QStringList& args, const QByteArray& input = {}, bool cable = false)
    {
        QProcess p;
        // XDG_RUNTIME_DIR comes with this process's environment (set in initTestCase).
        const QString tool = QString::fromUtf8(cable ? ONDIX_USBSIM_PATH : ONDIX_CLI_PATH);
        p.start("ip", QStringList {"netns", "exec", net_.namespaceName("tool"), tool} + args);
        if (!p.waitForStarted(5000))
            return {};
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished(3000);
            return {};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    // Every line the units logged with this tag ("LINE", "RX UDP", ...), without the time.
    QStringList simLines(const QString& tag) const
    {
        QStringList found;
        for (const QString& line : net_.simLog().split(QLatin1Char('\n'))) {
            const QString event = line.trimmed().section(QLatin1Char(' '), 1);
            if (event.section(QLatin1Char(' '), 0, 0) == tag.section(QLatin1Char(' '), 0, 0) && event.startsWith(tag))
                found << event;
        }
        return found;
    }
    bool startUnits()
    {
        const QJsonArray devices {// The first answers every search twice.
            QJsonObject {
                {"ip", net_.deviceAddress(0)}, {"faults", QJsonObject {{"0x03", QJsonObject {{"kind", "duplicate"}}}}}},
            QJsonObject {{"ip", net_.deviceAddress(1)}},
            QJsonObject {{"ip", net_.deviceAddress(2)}, {"tcpPort", 5000}}};
        return net_.startSim(QJsonObject {{"devices", devices}});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtimeDir_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
        QVERIFY(net_.up(3));
        QVERIFY(startUnits());
    }
    void cleanupTestCase() { net_.down(); }

    // The search finds each unit once; a unit is chosen by MAC or address, none when several
    // answer; an address where nobody answers ends in 1.
    void searchAndChoice()
    {
        TRun r = run({"list", "--wait", "500"});
        QCOMPARE(r.code, 0);
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.sort();
        QCOMPARE(lines,
            (QStringList {"rede\t10.231.1.10\t00:1A:2B:E7:01:0A\tONDW000000000001\t2.1\trf",
                "rede\t10.231.1.11\t00:1A:2B:E7:01:0B\tONDW000000000002\t2.1\trf",
                "rede\t10.231.1.12\t00:1A:2B:E7:01:0C\tONDW000000000003\t2.1\trf"}));

        r = run({"--mac", "00:1a:2b:e7:01:0b", "settings", "get", "--wait", "500"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("IP: 10.231.1.11\n"), qPrintable(r.out));
        r = run({"clock", "get", "--wait", "500"});
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.startsWith("3 Ondix encontradas; escolha uma com --ip ou --mac:\n"), qPrintable(r.err));
        r = run({"--ip", "10.231.1.99", "settings", "get"});
        QCOMPARE((std::pair {r.code, r.err}), (std::pair {1, QStringLiteral("Sem resposta!\n")}));
    }

    // Only the given field changes: the rest goes back as the unit holds it.
    void settingsSetChangesOnlyTheGivenField()
    {
        QCOMPARE(run({"--ip", "10.231.1.11", "settings", "set", "--port", "4999", "--dhcp", "on"}).code, 0);
        const TRun r = run({"--ip", "10.231.1.11", "--json", "settings", "get"});
        QCOMPARE(r.out,
            QStringLiteral("{\"dhcp\":true,\"gateway\":\"10.231.1.1\",\"ip\":\"10.231.1.11\","
                           "\"mac\":\"00:1A:2B:E7:01:0B\",\"mask\":\"255.255.255.0\",\"port\":4999}\n"));
        QCOMPARE(run({"--ip", "10.231.1.11", "settings", "set", "--port", "4998", "--dhcp", "off"}).code, 0);
    }

    // Lines from the arguments and from standard input (blank lines skipped) reach the unit.
    void sendLines()
    {
        QCOMPARE(run({"--ip", "10.231.1.12", "send", "sendir,1:8,1,38000,1,1,10,20"}).code, 0);
        QCOMPARE(run({"--ip", "10.231.1.12", "send"}, "primeira\n\nsegunda\r\n").code, 0);
        QTest::qWait(100);
        QCOMPARE(simLines("LINE 10.231.1.12"),
            (QStringList {"LINE 10.231.1.12 sendir,1:8,1,38000,1,1,10,20", "LINE 10.231.1.12 primeira",
                "LINE 10.231.1.12 segunda"}));
    }

    // A learned code filed under its name, with the unit's MAC; the name cannot be used twice,
    // and that is said before anything is sent.
    void learnAndSave()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("site.json"));
        TRun r = run({"--ip", "10.231.1.10", "--library", library, "learn", "rf", "--save", "Portão"});
        QCOMPARE((std::pair {r.code, r.out}), (std::pair {0, rfLine + QLatin1Char('\n')}));
        QVERIFY2(r.err.contains(QLatin1String("Pressione qualquer tecla")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QLatin1Char('\r')), "no countdown when standard error is no terminal");
        QVERIFY2(r.err.endsWith(QStringLiteral("Código \"Portão\" salvo na biblioteca.\n")), qPrintable(r.err));

        r = run({"--library", library, "--json", "library", "list"});
        const QJsonArray codes = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(codes.size(), 1);
        QCOMPARE(codes[0]["line"].toString(), rfLine);
        QCOMPARE(codes[0]["unitMac"].toString(), QStringLiteral("00:1A:2B:E7:01:0A"));

        const qsizetype heard = simLines("RX").size();
        r = run({"--ip", "10.231.1.10", "--library", library, "learn", "rf", "--save", "PORTÃO"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("Já existe um código chamado \"Portão\" na biblioteca: escolha outro nome.\n"));
        QTest::qWait(200);
        QCOMPARE(simLines("RX").size(), heard);
    }

    // A backup, then the unit goes on: a remote used, one paired. The restore says what it
    // raised and what it kept (the rule itself is the device API's).
    void rtsBackupAndRestore()
    {
        QTemporaryDir dir;
        const QStringList unit {"--ip", "10.231.1.11", "--library", dir.filePath(QStringLiteral("site.json"))};
        const auto added = [&](const char* type) {
            const TRun r = run(unit + QStringList {"--json", "rts", "add", type});
            return QJsonDocument::fromJson(r.out.toUtf8()).object()["remoteId"].toString();
        };
        const QString first = added("somfy");
        TRun r = run(unit + QStringList {"rts", "backup"});
        QCOMPARE(r.out, QStringLiteral("1 controle RTS da Ondix 00:1A:2B:E7:01:0B copiado para a biblioteca.\n"));
        QCOMPARE(run(unit + QStringList {"rts", "up", first}).code, 0);
        QTest::qWait(100);
        QVERIFY(simLines("LINE 10.231.1.11").last().startsWith("LINE 10.231.1.11 sendrf_rc,3767,160,32,"));
        const QString second = added("tube");

        r = run(unit + QStringList {"rts", "restore"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Controle %1: código ").arg(first)), qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("Controle %1: mantido (pareado depois da cópia).").arg(second));
        r = run(unit + QStringList {"rts", "down", "0A-FF-09"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("Nenhum controle RTS 0A-FF-09 na Ondix (2 na lista).\n"));
    }

    // The cable's unit is preferred to the three on the network when none is named.
    void cable()
    {
        TRun r = run({"info"}, {}, true);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("Ligação: usb\nIP: 192.168.0.50\n"), qPrintable(r.out));
        r = run({"--json", "flash", "read", "258", "2", "--force"}, {}, true);
        QCOMPARE(r.out, QStringLiteral("{\"address\":258,\"data\":\"0302\",\"quantity\":2}\n"));
        r = run({"list", "--wait", "500"}, {}, true);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("usb\t192.168.0.50\t00:1A:2B:3C:4D:5E\tONDW000000000001\t2.1\trf"));
    }

    // The window of this user runs: the port and the cable are its own.
    void windowRunning()
    {
        instanceguard::TUserSocketServer window(instanceguard::windowSocketName(), 0);
        QCOMPARE(window.claim(), instanceguard::TUserSocketServer::TClaim::Taken);
        for (const bool cable : {false, true}) {
            const TRun r = run({"--usb", "info"}, {}, cable);
            QCOMPARE((std::pair {r.code, r.err}),
                (std::pair {4,
                    QStringLiteral("O OndixSetup está aberto neste computador e usa a porta UDP 4040 e o "
                                   "cabo USB: feche a janela para usar o ondix.\n")}));
        }
    }

    void noUnitAndPortHeld()
    {
        net_.stopSim();
        TRun r = run({"info", "--wait", "300"});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, QStringLiteral("Nenhuma Ondix encontrada, nem no cabo USB nem na rede.\n"));

        // Another program holds UDP port 4040 of the tool's namespace.
        QVERIFY(net_.enterToolNamespace());
        QUdpSocket holder;
        const bool bound = holder.bind(QHostAddress::AnyIPv4, 4040, QAbstractSocket::DontShareAddress);
        net_.leaveToolNamespace();
        QVERIFY(bound);
        r = run({"list"});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.startsWith(QStringLiteral("A porta UDP 4040 está em uso")), qPrintable(r.err));
        QCOMPARE(run({"--usb", "info"}, {}, true).code, 0);  // the cable needs no port
        holder.close();
        QVERIFY(startUnits());
    }
};

ONDIX_NETWORK_TEST_MAIN(QCoreApplication, TestCliEndToEnd)

#include "test_cli_e2e.moc"
