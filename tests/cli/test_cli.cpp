// The pure part of `ondix`: reading the arguments (what runs, what is refused before anything
// is sent) and the texts and JSON it prints, on literal inputs.
#include "cli/cliLibrary.h"
#include "cli/cliOptions.h"
#include "cli/cliOutput.h"
#include "device/deviceApi.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ondixcli;

namespace {

// 10.231.1.10 / 255.255.255.0 / 10.231.1.1, MAC 00:1A:2B:01:01:0A, no DHCP, port 4998,
// "ONDX000000000001", firmware 21, RF flag 1.
deviceinfo::Record sampleRecord(bool rf = true)
{
    const QByteArray bytes = QByteArray::fromHex("454B010C0000"
                                                 "0AE7010A"
                                                 "FFFFFF00"
                                                 "0AE70101"
                                                 "001A2B01010A"
                                                 "00"
                                                 "8613"
                                                 "4F4E4458303030303030303030303031"
                                                 "1500")
        + QByteArray(1, rf ? '\x01' : '\x00') + QByteArray(4, '\0');
    deviceinfo::Record record {};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    return record;
}

// Every field that differs from a default TCliOptions, in declaration order: a field set
// where it should not be shows as well.
QString describe(const TCliOptions& o)
{
    const TCliOptions d;
    QStringList f {QStringLiteral("cmd=%1").arg(int(o.command))};
    const auto add = [&](bool differs, const char* name, const QString& value = QString()) {
        if (differs)
            f << (value.isNull() ? QString::fromLatin1(name) : QString::fromLatin1(name) + u'=' + value);
    };
    const auto address = [](const std::optional<TAddress>& a) {
        return a ? QStringLiteral("%1.%2.%3.%4").arg((*a)[0]).arg((*a)[1]).arg((*a)[2]).arg((*a)[3]) : QString();
    };
    const char* choices[] = {"auto", "usb", "ip", "mac"};
    add(o.choice != d.choice, "choice", QLatin1String(choices[int(o.choice)]));
    add(o.ip != d.ip, "ip", o.ip);
    add(o.mac != d.mac, "mac", o.mac);
    add(o.json, "json");
    add(o.verbose, "v");
    add(o.force, "force");
    add(o.searchMs != d.searchMs, "wait", QString::number(o.searchMs));
    add(o.library != d.library, "lib", o.library);
    add(bool(o.newIp), "new-ip", address(o.newIp));
    add(bool(o.newMask), "mask", address(o.newMask));
    add(bool(o.newGateway), "gateway", address(o.newGateway));
    add(bool(o.newDhcp), "dhcp", QString::number(o.newDhcp.value_or(false)));
    add(bool(o.newPort), "port", QString::number(o.newPort.value_or(0)));
    add(o.clockNow, "now");
    add(o.clockTime.isValid(), "at", o.clockTime.toString(Qt::ISODate));
    add(o.learnKind != d.learnKind, "kind", QString::number(int(o.learnKind)));
    add(o.learnMode != d.learnMode, "mode", QString::number(int(o.learnMode)));
    add(o.divisor != d.divisor, "div", QString::number(o.divisor));
    add(o.saveName != d.saveName, "save", o.saveName);
    add(o.lines != d.lines, "lines", o.lines.join(u'|'));
    add(o.rtsTube, "tube");
    add(o.driveAction != d.driveAction, "action", QString::number(int(o.driveAction)));
    add(bool(o.remoteId), "id", o.remoteId ? ondixcli::remoteIdText(*o.remoteId) : QString());
    add(o.remoteRow != d.remoteRow, "row", QString::number(o.remoteRow));
    add(o.format != d.format, "format", formatName(o.format));
    add(o.codeName != d.codeName, "name", o.codeName);
    add(o.importPath != d.importPath, "path", o.importPath);
    add(o.flipperParsed, "parsed");
    add(o.fromMac != d.fromMac, "from", o.fromMac);
    add(o.keys != d.keys, "keys", QString::number(o.keys));
    add(o.macBytes != d.macBytes, "bytes", QStringList(o.macBytes.begin(), o.macBytes.end()).join(u' '));
    add(o.flashAddress != d.flashAddress, "flash", o.flashAddress + u' ' + o.flashQuantity);
    return f.join(u' ');
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    // The arguments: what runs (described), what is refused before anything is sent (exit
    // code 2, the reason and the hint to --help) and what only prints help (exit code 0).
    void arguments_data()
    {
        QTest::addColumn<QString>("args");  // "_" is a blank argument
        QTest::addColumn<int>("exitCode");  // -1: runs
        QTest::addColumn<QString>("text");  // the description, the refusal or the first line of help
        const auto row = [](const char* args, int code, const char* text) {
            QTest::newRow(*args ? args : "no command") << args << code << text;
        };
        row("list --json", -1, "cmd=1 json");
        row("info --usb -v", -1, "cmd=2 choice=usb v");  // options after the command
        row("--ip 10.231.1.10 settings get", -1, "cmd=3 choice=ip ip=10.231.1.10");
        row("--ip=010.001.1.7 info", -1, "cmd=2 choice=ip ip=10.1.1.7");
        row("--mac 00-1a-2b-01-01-0a info", -1, "cmd=2 choice=mac mac=00:1A:2B:01:01:0A");
        // --ip before "set" chooses the unit, after it changes the unit's address.
        row("--ip 10.231.1.10 settings set --ip 10.231.1.50 --port 5000", -1,
            "cmd=4 choice=ip ip=10.231.1.10 new-ip=10.231.1.50 port=5000");
        row("settings set --mask 255.255.0.0 --gateway 10.0.0.1 --dhcp on --port 0", -1,
            "cmd=4 mask=255.255.0.0 gateway=10.0.0.1 dhcp=1 port=0");
        row("clock set --now", -1, "cmd=6 now");
        row("clock set 2025-03-07 09:05:00", -1, "cmd=6 at=2025-03-07T09:05:00");
        row("learn rf --rts --divisor 32", -1, "cmd=7 mode=2 div=32");
        row("learn ir --raw", -1, "cmd=7 kind=0 mode=1");
        row("send sendir,1:8,1 x", -1, "cmd=8 lines=sendir,1:8,1 x");  // the words joined
        row("rts add tube", -1, "cmd=10 tube");
        row("rts up 0a-ff-00", -1, "cmd=11 id=0A-FF-00");
        row("rts down 3", -1, "cmd=11 action=2 row=3");
        row("generate tc2 --keys 3", -1, "cmd=13 keys=3");
        row("mac set 02:00:00:ab:cd:ef --force", -1, "cmd=15 force bytes=02 00 00 AB CD EF");
        row("--usb flash read 4096 16 --force", -1, "cmd=16 choice=usb force flash=4096 16");
        row("--library s.json learn ir --save TV", -1, "cmd=7 lib=s.json kind=0 save=TV");
        row("--library s.json library import a.txt --name P --format rfraw --divisor 8", -1,
            "cmd=19 lib=s.json div=8 format=rfraw name=P path=a.txt");
        row("--library s.json library export --format flipper --parsed TV Liga", -1,
            "cmd=20 lib=s.json format=flipper name=TV Liga parsed");
        row("--library s.json rts restore --from 00-1a-2b-01-01-0b", -1, "cmd=23 lib=s.json from=00:1A:2B:01:01:0B");

        row("", 2, "Falta o comando.");
        row("reboot", 2, "Uso errado de \"reboot\".");
        row("list --all", 2, "Opção desconhecida: --all");
        row("info --ip", 2, "Falta o valor de --ip.");
        row("--ip 10.0.0 info", 2,
            "Valor inválido em --ip: \"10.0.0\" (use quatro números de 0 a 255 separados por pontos).");
        row("settings set --port 65536", 2, "Valor inválido em --port: \"65536\" (use um número de 0 a 65535).");
        row("settings set", 2, "settings set: dê ao menos um campo (--ip, --mask, --gateway, --dhcp, --port).");
        row("--usb --ip 10.0.0.1 info", 2, "Escolha a Ondix só uma vez (--usb, --ip ou --mac).");
        row("--mac 00:1A:2B:01:01 info", 2,
            "Valor inválido em --mac: \"00:1A:2B:01:01\" (use seis pares hexadecimais, AA:BB:CC:DD:EE:FF).");
        row("clock set 2025-02-30 10:00:00", 2,
            "Valor inválido em clock set: \"2025-02-30 10:00:00\" (use uma data e "
            "hora que existam, AAAA-MM-DD HH:MM:SS).");
        row("clock set --now 2025-02-03 10:00:00", 2,
            "clock set: dê --now ou a data e a hora, \"AAAA-MM-DD HH:MM:SS\".");
        row("learn rf --divisor 12", 2, "Valor inválido em --divisor: \"12\" (use 8, 16 ou 32).");
        row("learn ir --rts", 2, "A opção --rts não se aplica a \"learn ir\".");
        row("rts up 0", 2,
            "Valor inválido em rts up: \"0\" (use o identificador do controle, 0A-FF-00, ou o seu número "
            "na lista, de 1 a 100).");
        row("generate tc2", 2, "generate tc2: dê o número de teclas, --keys 1, 2 ou 3.");
        row("mac set 00:1A:2B:01:01:0A", 2, "\"mac set\" altera ou para a Ondix: repita com --force para confirmar.");
        row("--ip 10.0.0.1 flash read 0 16 --force", 2, "\"flash read\" só funciona pelo cabo USB.");
        row("learn rf --save Portão", 2, "\"--save\" precisa da biblioteca: dê --library ARQUIVO.");
        row("--library s.json learn ir --save _", 2, "Valor inválido em --save: \" \" (dê um nome de uma linha).");
        row("--library s.json library export --format hex TV", 2,
            "Valor inválido em --format: \"hex\" (use pronto, gc, irctl, flipper, line ou rfraw).");
        row("--library s.json library import --format gc a.txt", 2,
            "library import: dê o nome do código, --name NOME.");
        row("--library s.json library import --format gc --name A --divisor 8 a.txt", 2,
            "A opção --divisor só se aplica a library import --format rfraw.");
        row("list --wait 5", 2, "Valor inválido em --wait: \"5\" (use milissegundos de 100 a 60000).");

        row("--help", 0, "Uso: ondix [opções] COMANDO [argumentos]");
        row("-h settings set", 0, "Uso: ondix [escolha] settings get [--json]");  // help wins over a bad command
        row("help learn", 0, "Uso: ondix [escolha] learn ir [--raw] [--json] [--library ARQUIVO --save NOME]");
        row("flash --help", 0, "Uso: ondix --usb flash read ENDEREÇO QUANTIDADE [--json] --force");
        row("--version", 0, "ondix 2.0");
    }
    void arguments()
    {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        QStringList words = args.isEmpty() ? QStringList() : args.split(QLatin1Char(' '));
        words.replaceInStrings(QStringLiteral("_"), QStringLiteral(" "));
        const TParse p = parseArguments(words);
        QCOMPARE(p.run, exitCode < 0);
        if (p.run) {
            QCOMPARE(describe(p.options), text);
        } else if (exitCode == 2) {
            QCOMPARE(p.exitCode, 2);
            QVERIFY(p.output.isEmpty());
            QCOMPARE(p.error, text + QStringLiteral("\nUse \"ondix --help\" para ver os comandos."));
        } else {
            QCOMPARE(p.exitCode, 0);
            QVERIFY(p.error.isEmpty());
            QCOMPARE(p.output.section(QLatin1Char('\n'), 0, 0), text);
        }
    }

    // A missing library is empty, or refused when it must exist; a newer one is refused and
    // left as it was, also when a change is asked; a refused change writes nothing.
    void libraryFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("site.json"));
        TLibraryFile file(path);
        QCOMPARE(file.read(true), QStringLiteral("A biblioteca \"%1\" não existe.").arg(path));
        QCOMPARE(file.read(false), QString());
        const auto refuse = [](TSiteLibrary&) { return QStringLiteral("não"); };
        QCOMPARE(file.amend(refuse), QStringLiteral("não"));
        QVERIFY(!QFile::exists(path));

        const QByteArray newer("{\"format\": \"OndixSetup library\", \"version\": 2, \"codes\": []}\n");
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(newer);
        raw.close();
        QVERIFY2(file.read(false).contains(QLatin1String("mais novo")), qPrintable(file.read(false)));
        QVERIFY(!file.amend([](TSiteLibrary&) { return QString(); }).isEmpty());
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QCOMPARE(raw.readAll(), newer);
    }

    void exitCodes()
    {
        using ondixdevice::TOutcome;
        QList<int> codes;
        for (TOutcome o : {TOutcome::done, TOutcome::noAnswer, TOutcome::badAnswer, TOutcome::notSent, TOutcome::busy,
                 TOutcome::refused})
            codes << exitCodeFor(o);
        QCOMPARE(codes, (QList<int> {0, 1, 1, 1, 1, 2}));
    }

    // A short identification is padded with zero bytes: they are no part of the serial.
    void serialWithoutPadding()
    {
        deviceinfo::Record record = sampleRecord(false);
        const QByteArray ident("SALA\0\0\0\0\0\0\0\0\0\0\0\0", 16);
        std::copy(ident.begin(), ident.end(), record.begin() + 27);
        QCOMPARE(serialText(record), QStringLiteral("SALA"));
        record[27 + 2] = 0x07;
        QCOMPARE(serialText(record), QStringLiteral("SA?A"));
    }

    // What the commands print, as text and as JSON.
    void outputs()
    {
        const TUnitView net {false, "10.231.1.10", sampleRecord()};
        const TUnitView cable {true, QString(), sampleRecord(false)};
        QCOMPARE(unitLine(cable), QStringLiteral("usb\t10.231.1.10\t00:1A:2B:01:01:0A\tONDX000000000001\t2.1\t-"));
        QCOMPARE(jsonText(unitJson(net)),
            QStringLiteral(
                "{\"address\":\"10.231.1.10\",\"dhcp\":false,\"firmware\":\"2.1\",\"gateway\":\"10.231.1.1\","
                "\"ip\":\"10.231.1.10\",\"link\":\"network\",\"mac\":\"00:1A:2B:01:01:0A\",\"mask\":\"255.255.255.0\","
                "\"port\":4998,\"rf\":true,\"serial\":\"ONDW000000000001\"}\n"));
        QCOMPARE(unitJson(cable).value("address").isNull(), true);
        QCOMPARE(unitText(net),
            QStringLiteral("Ligação: rede (10.231.1.10)\nIP: 10.231.1.10\nMáscara: 255.255.255.0\n"
                           "Gateway: 10.231.1.1\nMAC: 00:1A:2B:01:01:0A\nDHCP: não\nPorta TCP: 4998\n"
                           "Número de série: ONDW000000000001\nFirmware: 2.1\nRF: sim\n"));
        const ondixclock::clockRecord_t clock {2025, 3, 7, 9, 5, 0};
        QCOMPARE(clockText(clock), QStringLiteral("2025-03-07 09:05:00"));
        QCOMPARE(jsonText(clockJson(clock)),
            QStringLiteral("{\"clock\":\"2025-03-07 09:05:00\",\"day\":7,\"hour\":9,"
                           "\"minute\":5,\"month\":3,\"second\":0,\"year\":2025}\n"));

        eepromRemoteData_t table;
        table.count = 2;
        table.remotes[0] = rtsRemote_t {0, 0, 4660, 167, {0x0A, 0xFF, 0x00}};
        table.remotes[1] = rtsRemote_t {0, 1, 2, 160, {0x01, 0x02, 0x03}};
        QCOMPARE(rtsText(table), QStringLiteral("1\tSomfy\t167\t4660\t0A-FF-00\n2\tTube\t160\t2\t01-02-03\n"));
        QCOMPARE(jsonText(rtsJson(table)),
            QStringLiteral(
                "[{\"id\":1,\"keyCode\":167,\"remoteId\":\"0A-FF-00\",\"rollingCode\":4660,\"type\":\"somfy\"},"
                "{\"id\":2,\"keyCode\":160,\"remoteId\":\"01-02-03\",\"rollingCode\":2,\"type\":\"tube\"}]\n"));
        table.count = 0;
        QCOMPARE(jsonText(rtsJson(table)), QStringLiteral("[]\n"));

        const QStringList memo {
            "// Codigo para gravar os comandos", "sendrf,1,20,1,1", "// Tecla 1 - Liga", "sendrf,1,20,1,2"};
        QCOMPARE(jsonText(generatedJson(memo)),
            QStringLiteral("[{\"comment\":\"Codigo para gravar os comandos\",\"line\":\"sendrf,1,20,1,1\"},"
                           "{\"comment\":\"Tecla 1 - Liga\",\"line\":\"sendrf,1,20,1,2\"}]\n"));

        QCOMPARE(traceLine(true, QStringLiteral("usb"), QByteArray::fromHex("454b010394000000")),
            QStringLiteral("-> usb 45 4B 01 03 94 00 00 00"));
        QCOMPARE(traceLine(false, QStringLiteral("10.231.1.10"), QByteArray::fromHex("454b")),
            QStringLiteral("<- 10.231.1.10 45 4B"));
    }

    void captureJsonFields()
    {
        // Words: 0, N = 7, carrier 38000, durations 342 171 21 1520; 0, N = 4, samples 30 930;
        // a message cut short.
        const std::tuple<bool, const char*, int, const char*> rows[] = {
            {true, "00000700 7094 5601AB00 1500F005", 4,
                "{\"carrier\":38000,\"durations\":[342,171,21,1520],\"frame\":{\"length\":4,\"start\":0},"
                "\"kind\":\"ir\",\"line\":\"L\",\"mode\":\"automatic\",\"protocol\":"
                "{\"address\":4,\"command\":8,\"name\":\"NEC\"}}\n"},
            {false, "00000400 1E00A203", 3,  // the frame longer than the capture
                "{\"divisor\":16,\"durations\":[30,930],\"frame\":null,\"kind\":\"rf\",\"line\":\"L\","
                "\"mode\":\"automatic\"}\n"},
            {false, "00000900 1E00", 0,
                "{\"divisor\":16,\"durations\":[],\"frame\":null,\"kind\":\"rf\",\"line\":\"L\","
                "\"mode\":\"automatic\"}\n"}};
        for (const auto& [ir, message, frameLength, json] : rows) {
            TCaptureView view = captureView(ir, QByteArray::fromHex(message));
            view.mode = QStringLiteral("automatic");
            view.line = QStringLiteral("L");
            view.divisor = ir ? 0 : 16;
            view.frameLength = uint32_t(frameLength);
            if (ir)
                view.protocol = irDecoded_t {TIrProtocol::nec, 4, 8, 0, 32, false};
            QCOMPARE(jsonText(captureJson(view)), QString::fromUtf8(json));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
