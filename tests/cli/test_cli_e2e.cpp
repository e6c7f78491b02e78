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

QJsonObject remote(int type, int rolling, int key, const char* id)
{
    return {{"type", type}, {"rollingCode", rolling}, {"keyCode", key}, {"remoteId", id}};
}

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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("ip"),
            QStringList {QStringLiteral("netns"), QStringLiteral("exec"), net_.namespaceName("tool"),
                QString::fromUtf8(cable ? ONDIX_USBSIM_PATH : ONDIX_CLI_PATH)}
                + args);
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
        const QJsonArray devices {
            QJsonObject {{"ip", net_.deviceAddress(0)}, {"rts", QJsonArray {remote(0, 4660, 167, "0A-FF-00")}}},
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

    void listsEveryUnit()
    {
        TRun r = run({"list", "--wait", "500"});
        QCOMPARE(r.code, 0);
        QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.sort();
        QCOMPARE(lines,
            (QStringList {"rede\t10.231.1.10\t00:1A:2B:E7:01:0A\tONDW000000000001\t2.1\trf",
                "rede\t10.231.1.11\t00:1A:2B:E7:01:0B\tONDW000000000002\t2.1\trf",
                "rede\t10.231.1.12\t00:1A:2B:E7:01:0C\tONDW000000000003\t2.1\trf"}));

        r = run({"--json", "list", "--wait", "500"});
        QCOMPARE(r.code, 0);
        const QJsonArray units = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(units.size(), 3);
        for (const QJsonValue& unit : units)
            if (unit["ip"] == "10.231.1.12")
                QCOMPARE(unit.toObject(),
                    (QJsonObject {{"link", "network"}, {"address", "10.231.1.12"}, {"ip", "10.231.1.12"},
                        {"mask", "255.255.255.0"}, {"gateway", "10.231.1.1"}, {"mac", "00:1A:2B:E7:01:0C"},
                        {"dhcp", false}, {"port", 5000}, {"serial", "ONDW000000000003"}, {"firmware", "2.1"},
                        {"rf", true}}));
    }

    void choosingAUnit_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("the MAC picks one of three")
            << QStringList {"--mac", "00:1a:2b:e7:01:0b", "settings", "get"} << 0
            << "IP: 10.231.1.11\nMáscara: 255.255.255.0\nGateway: 10.231.1.1\nMAC: 00:1A:2B:E7:01:0B\nDHCP: não\n"
               "Porta TCP: 4998\n"
            << "";
        QTest::newRow("an unknown MAC") << QStringList {"--mac", "00:1A:2B:E7:01:0D", "info"} << 3 << ""
                                        << "Nenhuma Ondix com o MAC 00:1A:2B:E7:01:0D respondeu.\n";
        QTest::newRow("three without a choice") << QStringList {"clock", "get"} << 3 << ""
                                                << "3 Ondix encontradas; escolha uma com --ip ou --mac:\n__units__";
        QTest::newRow("by address") << QStringList {"--ip", "10.231.1.12", "info"} << 0
                                    << "Ligação: rede (10.231.1.12)\nIP: 10.231.1.12\nMáscara: 255.255.255.0\n"
                                       "Gateway: 10.231.1.1\nMAC: 00:1A:2B:E7:01:0C\nDHCP: não\nPorta TCP: 5000\n"
                                       "Número de série: ONDW000000000003\nFirmware: 2.1\nRF: sim\n"
                                    << "";
        QTest::newRow("nobody at that address") << QStringList {"--ip", "10.231.1.99", "settings", "get"} << 1 << ""
                                                << "Sem resposta!\n";
    }
    void choosingAUnit()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const TRun r = run(args + QStringList {"--wait", "500"});
        QCOMPARE(r.out, out);
        if (err.endsWith(QLatin1String("__units__"))) {
            QVERIFY2(r.err.startsWith(err.chopped(9)), qPrintable(r.err));
            QCOMPARE(r.err.count(QLatin1String("\t2.1\trf\n")), 3);
        } else {
            QCOMPARE(r.err, err);
        }
        QCOMPARE(r.code, code);
    }

    void verboseShowsEveryFrame()
    {
        const TRun r = run({"-v", "--ip", "10.231.1.11", "clock", "get"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("-> rede 45 4B 01 0A 9B 00 00 00"));
        QVERIFY2(lines[1].startsWith(QLatin1String("<- rede 45 4B 01 0A 07 00 ")), qPrintable(lines[1]));
        QCOMPARE(lines[1].size(), QStringLiteral("<- rede ").size() + 17 * 3 - 1);
    }

    // A refused value stops the tool before anything leaves: the unit hears nothing.
    void refusedValueSendsNothing()
    {
        const qsizetype heard = simLines("RX").size();
        QVERIFY(heard > 0);  // the units were asked before
        const TRun r = run({"--ip", "10.231.1.10", "settings", "set", "--port", "65536"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err,
            QStringLiteral("Valor inválido em --port: \"65536\" (use um número de 0 a 65535).\n"
                           "Use \"ondix --help\" para ver os comandos.\n"));
        QTest::qWait(200);
        QCOMPARE(simLines("RX").size(), heard);
    }

    // Only the given field changes: the rest goes back as the unit holds it.
    void settingsSetChangesOnlyTheGivenField()
    {
        TRun r = run({"--ip", "10.231.1.11", "settings", "set", "--port", "4999", "--dhcp", "on"});
        QCOMPARE(r.code, 0);
        r = run({"--ip", "10.231.1.11", "--json", "settings", "get"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out,
            QStringLiteral("{\"dhcp\":true,\"gateway\":\"10.231.1.1\",\"ip\":\"10.231.1.11\","
                           "\"mac\":\"00:1A:2B:E7:01:0B\",\"mask\":\"255.255.255.0\",\"port\":4999}\n"));
        QCOMPARE(run({"--ip", "10.231.1.11", "settings", "set", "--port", "4998", "--dhcp", "off"}).code, 0);
    }

    void clock()
    {
        QCOMPARE(run({"--ip", "10.231.1.12", "clock", "set", "2031-12-30 23:59:00"}).code, 0);
        const TRun r = run({"--ip", "10.231.1.12", "--json", "clock", "get"});
        QCOMPARE(r.code, 0);
        const QJsonObject clock = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QVERIFY2(clock["clock"].toString().startsWith(QLatin1String("2031-12-30 23:59:0")), qPrintable(r.out));
        QCOMPARE(clock["year"].toInt(), 2031);
    }

    void learning()
    {
        TRun r = run({"--ip", "10.231.1.10", "learn", "rf"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, rfLine + QLatin1Char('\n'));
        QVERIFY2(r.err.contains(QLatin1String("Pressione qualquer tecla")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QLatin1Char('\r')), "no countdown when standard error is no terminal");

        r = run({"--ip", "10.231.1.10", "--json", "learn", "ir"});
        QCOMPARE(r.code, 0);
        const QJsonObject code = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(code["line"].toString(), QStringLiteral("sendir,1:8,1,37900,3,1,342,171,21,21,21,64,21,64,21,1520"));
        QCOMPARE(code["kind"].toString(), QStringLiteral("ir"));
        QCOMPARE(code["carrier"].toInt(), 37900);
        QCOMPARE(code["durations"].toArray().size(), 30);
        QCOMPARE(code["frame"].toObject(), (QJsonObject {{"start", 0}, {"length", 10}}));
        QVERIFY(code["protocol"].isNull());  // the demonstration frame is no known protocol
    }

    void sendLines()
    {
        TRun r = run({"--ip", "10.231.1.12", "send", "sendir,1:8,1,38000,1,1,10,20"});
        QCOMPARE(r.code, 0);
        r = run({"--ip", "10.231.1.12", "send"}, "primeira\n\nsegunda\r\n");
        QCOMPARE(r.code, 0);
        QTest::qWait(100);
        QCOMPARE(simLines("LINE 10.231.1.12"),
            (QStringList {"LINE 10.231.1.12 sendir,1:8,1,38000,1,1,10,20", "LINE 10.231.1.12 primeira",
                "LINE 10.231.1.12 segunda"}));
    }

    void rtsRemotes()
    {
        TRun r = run({"--ip", "10.231.1.10", "rts", "list"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("1\tSomfy\t167\t4660\t0A-FF-00\n"));

        QCOMPARE(run({"--ip", "10.231.1.10", "rts", "up", "0A-FF-00"}).code, 0);
        QTest::qWait(100);
        QVERIFY(
            simLines("LINE 10.231.1.10").contains(QStringLiteral("LINE 10.231.1.10 sendrf_rc,3767,160,32,10,255,0")));

        r = run({"--ip", "10.231.1.10", "--json", "rts", "add", "tube"});
        QCOMPARE(r.code, 0);
        const QString id = QJsonDocument::fromJson(r.out.toUtf8()).object()["remoteId"].toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{2}-[0-9A-F]{2}-[0-9A-F]{2}$")).match(id).hasMatch(),
            qPrintable(r.out));
        r = run({"--ip", "10.231.1.10", "--json", "rts", "list"});
        const QJsonArray remotes = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(remotes.size(), 2);
        QCOMPARE(remotes[1]["remoteId"].toString(), id);
        QCOMPARE(remotes[1]["type"].toString(), QStringLiteral("tube"));
        QCOMPARE(remotes[0]["rollingCode"].toInt(), 4661);  // one line used one code

        QCOMPARE(run({"--ip", "10.231.1.10", "rts", "delete", "1"}).code, 0);
        r = run({"--ip", "10.231.1.10", "rts", "list"});
        QCOMPARE(r.out.section(QLatin1Char('\t'), 4).trimmed(), id);
        r = run({"--ip", "10.231.1.10", "rts", "down", "0A-FF-00"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("Nenhum controle RTS 0A-FF-00 na Ondix (1 na lista).\n"));
    }

    void generatorsNeedNoUnit()
    {
        const TRun r = run({"--json", "generate", "tc2", "--keys", "2"});
        QCOMPARE(r.code, 0);
        const QJsonArray codes = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(codes.size(), 7);  // the learning line, then on and off for each key
        QCOMPARE(codes[0]["comment"].toString(), QStringLiteral("Codigo para gravar os comandos"));
        for (const QJsonValue& code : codes)
            QVERIFY(code["line"].toString().startsWith(QLatin1String("sendrf,")));
    }

    // Import and export need no unit. A file that does not read leaves the library as it was.
    void libraryImportExport()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("site.json"));
        const QString pronto = dir.filePath(QStringLiteral("tv.txt"));
        {
            QFile f(pronto);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("0000 006D 0002 0000 0155 00AA 0015 05ED\n");
        }
        TRun r = run({"--library", library, "library", "import", "--format", "pronto", "--name", "TV Liga", pronto});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("TV Liga\n"));
        const QList<std::pair<QString, QString>> exports {{"gc", "sendir,1:1,1,38000,1,1,341,170,21,1517\n"},
            {"irctl", "+8974 -4474 +553 -39921\n# carrier 38000\n"},
            {"line", "sendir,1:8,1,38000,1,1,341,170,21,1517\n"}};
        for (const auto& [format, text] : exports) {
            r = run({"--library", library, "library", "export", "--format", format, "tv liga"});
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out, text);
        }

        QFile file(library);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        r = run({"--library", library, "library", "import", "--format", "irctl", "--name", "B", "-"},
            "# carrier 38000\n+9000 -4500\n+560 x\n");
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err,
            QStringLiteral("Nada foi importado da entrada padrão: ir-ctl, linha 3, coluna 6 (valor 4): \"x\" não é +N "
                           "(pulso) nem -N (espaço) em microssegundos.\n"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A learned code filed under its name, with the unit's MAC; the name cannot be used twice.
    void learnAndSave()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("site.json"));
        TRun r = run({"--ip", "10.231.1.10", "--library", library, "learn", "rf", "--save", "Portão"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, rfLine + QLatin1Char('\n'));
        QVERIFY2(r.err.endsWith(QStringLiteral("Código \"Portão\" salvo na biblioteca.\n")), qPrintable(r.err));

        r = run({"--library", library, "--json", "library", "list"});
        QCOMPARE(r.code, 0);
        const QJsonArray codes = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(codes.size(), 1);
        QCOMPARE(codes[0]["name"].toString(), QStringLiteral("Portão"));
        QCOMPARE(codes[0]["kind"].toString(), QStringLiteral("rf"));
        QCOMPARE(codes[0]["line"].toString(), rfLine);
        QCOMPARE(codes[0]["unitMac"].toString(), QStringLiteral("00:1A:2B:E7:01:0A"));
        QFile file(library);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray units = QJsonDocument::fromJson(file.readAll())["units"].toArray();
        QCOMPARE(units.size(), 1);  // the unit the learning read
        QCOMPARE(units[0]["mac"].toString(), QStringLiteral("00:1A:2B:E7:01:0A"));
        QCOMPARE(units[0]["lastAddress"].toString(), QStringLiteral("10.231.1.10"));

        const qsizetype heard = simLines("RX").size();
        r = run({"--ip", "10.231.1.10", "--library", library, "learn", "rf", "--save", "PORTÃO"});
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err, QStringLiteral("Já existe um código chamado \"Portão\" na biblioteca: escolha outro nome.\n"));
        QTest::qWait(200);
        QCOMPARE(simLines("RX").size(), heard);
    }

    // A backup, then the unit goes on: a remote used, one paired. The restore keeps both.
    void rtsBackupAndRestore()
    {
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("site.json"));
        const QStringList unit {"--ip", "10.231.1.11", "--library", library};
        auto table = [&] {
            return QJsonDocument::fromJson(run(unit + QStringList {"--json", "rts", "list"}).out.toUtf8()).array();
        };
        TRun r = run(unit + QStringList {"--json", "rts", "add", "somfy"});
        QCOMPARE(r.code, 0);
        const QString first = QJsonDocument::fromJson(r.out.toUtf8()).object()["remoteId"].toString();
        r = run(unit + QStringList {"rts", "backup"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("1 controle RTS da Ondix 00:1A:2B:E7:01:0B copiado para a biblioteca.\n"));
        const int stored = table().at(0)["rollingCode"].toInt();

        QCOMPARE(run(unit + QStringList {"rts", "up", first}).code, 0);
        QCOMPARE(run(unit + QStringList {"rts", "down", first}).code, 0);
        r = run(unit + QStringList {"--json", "rts", "add", "tube"});
        const QString second = QJsonDocument::fromJson(r.out.toUtf8()).object()["remoteId"].toString();
        const int now = table().at(0)["rollingCode"].toInt();
        QVERIFY(now > stored);

        r = run(unit + QStringList {"rts", "restore"});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0],
            QStringLiteral("Controle %1: código %2 da cópia elevado para %3 (o atual da Ondix).")
                .arg(first)
                .arg(stored)
                .arg(now));
        QCOMPARE(lines[1], QStringLiteral("Controle %1: mantido (pareado depois da cópia).").arg(second));
        QVERIFY2(
            lines[2].startsWith(QStringLiteral("Tabela RTS restaurada: 2 controles (cópia de 00:1A:2B:E7:01:0B, ")),
            qPrintable(lines[2]));
        const QJsonArray after = table();
        QCOMPARE(after.size(), 2);
        QCOMPARE(after[0]["rollingCode"].toInt(), now);
        QCOMPARE(after[1]["remoteId"].toString(), second);

        r = run({"--ip", "10.231.1.12", "--library", library, "rts", "restore"});
        QCOMPARE(r.code, 2);
        QCOMPARE(
            r.err, QStringLiteral("A biblioteca \"%1\" não tem cópia RTS da Ondix 00:1A:2B:E7:01:0C.\n").arg(library));
    }

    // The cable's unit is preferred to the three on the network when none is named.
    void cable_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("info") << QStringList {"info"} << 0
                              << "Ligação: usb\nIP: 192.168.0.50\nMáscara: 255.255.255.0\nGateway: 192.168.0.1\n"
                                 "MAC: 00:1A:2B:3C:4D:5E\nDHCP: não\nPorta TCP: 4998\nNúmero de série: "
                                 "ONDW000000000001\nFirmware: 2.1\nRF: sim\n";
        QTest::newRow("learn rf") << QStringList {"--usb", "learn", "rf"} << 0 << rfLine + "\n";
        QTest::newRow("flash") << QStringList {"--usb", "flash", "read", "0", "4", "--force"} << 0
                               << "[00][01][02][03]\n";
        QTest::newRow("flash json") << QStringList {"--json", "flash", "read", "258", "2", "--force"} << 0
                                    << "{\"address\":258,\"data\":\"0302\",\"quantity\":2}\n";
        QTest::newRow("firmware") << QStringList {"firmware", "update", "--force"} << 0 << "";
        QTest::newRow("list") << QStringList {"list", "--wait", "500"} << 0 << "__list__";
    }
    void cable()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        const TRun r = run(args, {}, true);
        QCOMPARE(r.code, code);
        if (out == QLatin1String("__list__")) {
            const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 4);
            QCOMPARE(lines[0], QStringLiteral("usb\t192.168.0.50\t00:1A:2B:3C:4D:5E\tONDW000000000001\t2.1\trf"));
        } else {
            QCOMPARE(r.out, out);
        }
    }

    // The window of this user runs: the port and the cable are its own.
    void windowRunning()
    {
        instanceguard::TUserSocketServer window(instanceguard::windowSocketName(), 0);
        QCOMPARE(window.claim(), instanceguard::TUserSocketServer::TClaim::Taken);
        for (const bool cable : {false, true}) {
            const TRun r = run({"--usb", "info"}, {}, cable);
            QCOMPARE(r.code, 4);
            QCOMPARE(r.err,
                QStringLiteral("O OndixSetup está aberto neste computador e usa a porta UDP 4040 e o cabo "
                               "USB: feche a janela para usar o ondix.\n"));
        }
    }

    // A second ondix while the first waits for a key: the first keeps the port.
    void anotherOndixHoldsThePort()
    {
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
        first.setProcessEnvironment(env);
        first.start(QStringLiteral("ip"),
            {"netns", "exec", net_.namespaceName("tool"), ONDIX_CLI_PATH, "--ip", "10.231.1.11", "learn", "ir"});
        QVERIFY(first.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(instanceguard::commandLineHoldsPort(), 3000);
        const TRun r = run({"--ip", "10.231.1.12", "info"});
        QCOMPARE(r.code, 4);
        QCOMPARE(r.err, QStringLiteral("Outro ondix está usando a porta UDP 4040: espere que ele termine.\n"));
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitCode(), 0);
    }

    void noUnitAndPortHeld()
    {
        net_.stopSim();
        TRun r = run({"info", "--wait", "300"});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, QStringLiteral("Nenhuma Ondix encontrada, nem no cabo USB nem na rede.\n"));
        r = run({"list", "--wait", "300"});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.out, QString());

        // Another program holds UDP port 4040 of the tool's namespace.
        QVERIFY(net_.enterToolNamespace());
        QUdpSocket holder;
        const bool bound = holder.bind(QHostAddress::AnyIPv4, 4040, QAbstractSocket::DontShareAddress);
        net_.leaveToolNamespace();
        QVERIFY(bound);
        r = run({"list"});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.startsWith(QStringLiteral("A porta UDP 4040 está em uso")), qPrintable(r.err));
        QCOMPARE(run({"--ip", "10.231.1.10", "info"}).code, 4);
        QCOMPARE(run({"--usb", "info"}, {}, true).code, 0);  // the cable needs no port
        holder.close();
        QVERIFY(startUnits());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestCliEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_cli_e2e.moc"
