// The code library: the IR and RF formats (round trips over the real captures of
// tests/data/captures, literal exports, Pronto codes of known protocols, Flipper parsed signals,
// malformed input) and the site library file (written and reopened, refusals, an interrupted
// write, the RTS restore rule).
#include "capture/irProtocol.h"
#include "capture/irSelection.h"
#include "capture/rfAnalysis.h"
#include "library/codeExchange.h"
#include "library/irFormats.h"
#include "library/siteLibrary.h"
#include "tests/capture/captureData.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // codes below name only the fields they set

namespace {

QString irLineOf(const QJsonObject& entry, TIrCaptureMode mode)
{
    const QByteArray m = capturedata::irMessage(entry);
    const auto r = selectIrCapture(reinterpret_cast<const uint8_t*>(m.data()), size_t(m.size()), mode);
    return QString::fromStdString(r.infoLines.at(0));
}

irLine_t parsed(const QString& line)
{
    const auto r = parseIrLine(line);
    if (!r)
        qWarning("%s", qPrintable(r.error));
    return r.value.value_or(irLine_t {});
}

QString flipperFile(const QString& body)
{
    return "Filetype: IR signals file\nVersion: 1\n" + body;
}

// An NEC code (address 0x04, command 0x08) drawn from the protocol's timing.
const QString necPronto = QStringLiteral(
    "0000 006D 0022 0000 0156 00AB 0015 0015 0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 "
    "0015 0015 0015 0040 0015 0040 0015 0015 0015 0040 0015 0040 0015 0040 0015 0040 0015 0040 0015 0015 "
    "0015 0015 0015 0015 0015 0040 0015 0015 0015 0015 0015 0015 0015 0015 0015 0040 0015 0040 0015 0040 "
    "0015 0015 0015 0040 0015 0040 0015 0040 0015 0040 0015 05F2");

QString decodedText(const irLine_t& line)
{
    return QString::fromStdString(irDecodedText(decodeIrPeriods(line.durations, line.carrier)));
}

rtsRemote_t remote(uint8_t type, uint16_t rollingCode, uint8_t keyCode, std::array<uint8_t, 3> id, uint8_t reserved = 0)
{
    return {reserved, type, rollingCode, keyCode, id};
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The README's example library, and an RF code.
TSiteLibrary sampleLibrary(int extraCodes = 0)
{
    const QString readme =
        QString::fromUtf8(fileBytes(QDir(qEnvironmentVariable("ONDIX_SOURCE_DIR")).filePath("README.md")));
    const qsizetype start = readme.indexOf("```json\n", readme.indexOf("## Code library (file format)")) + 8;
    TSiteLibrary lib;
    const libraryCode_t rf {.name = "Portão",
        .kind = TCodeKind::rf,
        .line = "sendrf,2,5,1,12400,1200,400",
        .captured = {12400, 1200, 400, 12400, 1200, 400},
        .frameLength = 3,
        .learnedAt = QDateTime(QDate(2026, 3, 15), QTime(8, 0), Qt::UTC)};
    [&] {
        QCOMPARE(lib.fromJson(readme.mid(start, readme.indexOf("```", start) - start).toUtf8()), QString());
        QCOMPARE(lib.addCode(rf), QString());
    }();
    for (int i = 0; i < extraCodes; ++i) {
        libraryCode_t c = *lib.findCode("TV Liga");
        c.name = QString("Tecla %1").arg(i);
        c.captured.assign(500, uint16_t(i));
        lib.addCode(c);
    }
    return lib;
}

}  // namespace

class TestLibrary : public QObject {
    Q_OBJECT
private slots:
    // Every real capture, as the captures write its line (IR raw and automatic, RF raw and RTS),
    // through every format of its kind and back: the same line (an RTS line: the same durations,
    // as rfraw files carry no mode).
    void roundTrips()
    {
        int lines = 0;
        for (const char* file : {"ir.json", "rf.json"}) {
            for (const auto& v : capturedata::corpus(file)) {
                const bool ir = *file == 'i';
                QStringList texts;
                if (ir) {
                    texts << irLineOf(v.toObject(), TIrCaptureMode::raw)
                          << irLineOf(v.toObject(), TIrCaptureMode::automatic);
                } else {
                    std::vector<uint16_t> samples = capturedata::durations(v.toObject());
                    samples.resize(std::min<size_t>(samples.size(), 9998));  // what one capture message holds
                    const QByteArray m = capturedata::message(samples);
                    for (const TRfCaptureMode mode : {TRfCaptureMode::raw, TRfCaptureMode::rts})
                        texts << QString::fromStdString(
                            analyseRfCapture(reinterpret_cast<const uint8_t*>(m.data()), size_t(m.size()), mode, 16)
                                .infoLines.at(0));
                }
                for (const QString& text : texts) {
                    const libraryCode_t code {.name = "X", .kind = ir ? TCodeKind::ir : TCodeKind::rf, .line = text};
                    const auto formats = ir ? QList {TCodeFormat::line, TCodeFormat::pronto, TCodeFormat::gc,
                                             TCodeFormat::irctl, TCodeFormat::flipper}
                                            : QList {TCodeFormat::line, TCodeFormat::rfraw};
                    for (const TCodeFormat f : formats) {
                        const auto out = exportCode(code, f, false);
                        // A Flipper raw signal holds at most 1024 durations.
                        if (!out && f == TCodeFormat::flipper
                            && parsed(text).durations.size() * parsed(text).repeat > 1024)
                            continue;
                        const QString where = text.left(40) + " " + formatName(f);
                        QVERIFY2(out, qPrintable(where + ": " + out.error));
                        const auto back = importCodes(f, *out.value, "X", 16, QDateTime());
                        QVERIFY2(back && back.value->size() == 1, qPrintable(where + ": " + back.error));
                        const QString got = back.value->at(0).line;
                        QVERIFY2(text.startsWith("sendrf_rc")
                                ? parseRfLine(got).value->durations == parseRfLine(text).value->durations
                                : got == text,
                            qPrintable(where + "\n" + got));
                    }
                    ++lines;
                }
            }
        }
        QCOMPARE(lines, 2 * (35 + 29));
    }

    // Flipper parsed signals, with the layouts the Flipper writes (its Kaseikyo, RCA and NECext
    // values as its own decoder gives them for the captures in tests/data): named right by the
    // decoder, and written back as the same parsed signal.
    void flipperParsed()
    {
        const char* rows[][4] = {
            {"NECext", "84 79 00 00", "12 ED 00 00", "NEC estendido  endereço 0x7984  comando 0x12"},
            {"NEC42", "7B 00 00 00", "00 00 00 00", "NEC42  endereço 0x007B  comando 0x00"},
            {"SIRC15", "A4 00 00 00", "2F 00 00 00", "Sony SIRC 15  endereço 0xA4  comando 0x2F"},
            {"SIRC20", "10 04 00 00", "17 00 00 00", "Sony SIRC 20  endereço 0x0410  comando 0x17"},
            {"RC5X", "05 00 00 00", "4D 00 00 00", "RC5X  endereço 0x05  comando 0x4D"},
            {"RC6", "00 00 00 00", "0F 00 00 00", "RC6  endereço 0x00  comando 0x0F"},
            {"Kaseikyo", "41 54 32 00", "1B 00 00 00",
                "Panasonic/Kaseikyo  fabricante 0x3254  endereço 0xB14  comando 0x01"},
            {"RCA", "0F 00 00 00", "54 00 00 00", "RCA  endereço 0xF  comando 0x2A"}};
        for (const auto& [protocol, address, command, decoded] : rows) {
            const QString signal = QString("#\nname: Tecla\ntype: parsed\nprotocol: %1\naddress: %2\ncommand: %3\n")
                                       .arg(protocol, address, command);
            const auto r = importFlipper(flipperFile(signal));
            QVERIFY2(r, qPrintable(protocol + (": " + r.error)));
            const irLine_t line = r.value->at(0).line;
            QCOMPARE(decodedText(line), QString(decoded));
            QCOMPARE(exportFlipper({{"Tecla", line}}, TFlipperForm::parsedWhenNamed).value.value_or(QString()),
                flipperFile(signal));
            QVERIFY(exportFlipper({{"Tecla", line}}).value.value_or(QString()).contains("type: raw"));
        }
    }

    // Valid files of every format with random edits: each is read or refused with a message that
    // names a line, and whatever is read is a line the tool accepts.
    void editedInput()
    {
        const irLine_t line = parsed("sendir,1:8,1,38000,3,1,342,171,21,64,21,1520");
        const QString parsedNec =
            flipperFile("name: A\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n");
        const QList<std::pair<TCodeFormat, QString>> inputs {{TCodeFormat::pronto, exportPronto(line)},
            {TCodeFormat::gc, exportGlobalCache(line)}, {TCodeFormat::irctl, exportIrCtl(line)},
            {TCodeFormat::flipper, exportFlipper({{"Liga", line}}).value.value_or("")},
            {TCodeFormat::flipper, parsedNec}, {TCodeFormat::line, irLineText(line)}};
        const QString alphabet = "0123456789+-,: #\nAFx";
        QRandomGenerator rng(21);
        for (int run = 0; run < 3000; ++run) {
            const auto& [format, valid] = inputs[rng.bounded(int(inputs.size()))];
            QString text = valid;
            for (int edits = 1 + rng.bounded(3); edits > 0 && !text.isEmpty(); --edits) {
                const int at = rng.bounded(int(text.size()));
                const QChar c = alphabet[rng.bounded(int(alphabet.size()))];
                const int how = rng.bounded(3);
                how == 0       ? void(text.remove(at, 1 + rng.bounded(4)))
                    : how == 1 ? void(text.insert(at, c))
                               : void(text[at] = c);
            }
            const auto codes = importCodes(format, text, "X", 16, QDateTime());
            QVERIFY2(codes || codes.error.contains(", linha "), qPrintable(text + " -> " + codes.error));
            for (const libraryCode_t& c : codes.value.value_or(std::vector<libraryCode_t> {}))
                QVERIFY2(
                    c.kind == TCodeKind::rf ? bool(parseRfLine(c.line)) : bool(parseIrLine(c.line)), qPrintable(text));
        }
    }

    // A text to library codes, and a code back to a format's text: the names (one per Flipper
    // signal), the kind the format or the line gives, the protocol the decoder names; an export
    // to a format of the other kind is refused with the formats that serve.
    void codeExchange_data()
    {
        QTest::addColumn<QString>("format");  // "<" import, ">" export of code "Portão", then the format
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");  // per code "name|kind|protocol|line", or the refusal
        const auto row = [](const char* tag, const char* format, const QString& text, const QString& expected) {
            QTest::newRow(tag) << QString(format) << text << expected;
        };
        const QString mute = "name: Mute\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 500 500 500\n";
        row("pronto NEC", "<pronto", necPronto, "TV|ir|nec:4:8|sendir,1:8,1,38000,1,1,342,171,21,21,21,21,21...");
        row("flipper, two signals", "<flipper",
            flipperFile(
                "#\nname: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n#\n" + mute),
            "TV Power|ir|nec:4:8|sendir,1:8,1,38000,1,1,342,171,21,21,21,21,21...\n"
            "TV Mute|ir|-|sendir,1:8,1,38000,1,1,19,19,19");
        row("flipper, one signal", "<flipper", flipperFile(mute), "TV|ir|-|sendir,1:8,1,38000,1,1,19,19,19");
        row("an RF line", "<line", "sendrf,2,4,1,30,930\n", "TV|rf|-|sendrf,2,4,1,30,930");
        row("RF durations, divisor 32", "<rfraw", "# gate\n30\n930\n", "TV|rf|-|sendrf,3,1,1,30,930");
        // What ir-ctl records: comments, a carrier comment, and a timeout between two bursts.
        row("irctl recording", "<irctl", "+9000 -4500 +560\n# timeout 40000\n+9000 -2250 +560\n# carrier 36000\n",
            "TV|ir|-|sendir,1:8,1,36000,1,1,324,162,20,1440,324,81,20");
        row("gc, second line", "<gc", "sendir,1:1,1,38000,1,1,10,10\nsendir\n",
            "Global Caché, linha 2: esperada uma só linha de código.");
        // Refused with the place in the text.
        row("line: duration", "<line", "sendir,1:8,1,38000,1,1,342,x71,21",
            "Linha sendir, linha 1, coluna 28 (campo 8): duração \"x71\" inválida; use de 0 a 65535 períodos.");
        row("pronto: hex", "<pronto", "0000 006G 0001 0000 0010 0020",
            "Pronto, linha 1, coluna 6 (palavra 2): \"006G\" não é um número hexadecimal de 4 dígitos.");
        row("gc: carrier", "<gc", "sendir,1:1,1,999,1,1,10,10",
            "Global Caché, linha 1, coluna 14 (campo 4): frequência \"999\" inválida; use de 15000 a 500000 Hz.");
        row("irctl: space first", "<irctl", "-9000 +4500",
            "ir-ctl, linha 1, coluna 1 (valor 1): o sinal deve começar por um pulso (+N), encontrado \"-9000\".");
        row("flipper: not flipper", "<flipper", "name: Power\n",
            "Flipper, linha 1, coluna 1: esperado \"Filetype: IR signals file\"; não é um arquivo IR do Flipper.");
        row("flipper: protocol", "<flipper",
            flipperFile("name: Power\ntype: parsed\nprotocol: JVC\naddress: 03 00 00 00\ncommand: 17 00 00 00\n"),
            "Flipper, linha 5, coluna 11: protocolo \"JVC\" desconhecido; conhecidos: NEC, NECext, NEC42, NEC42ext, "
            "Samsung32, RC5, RC5X, RC6, SIRC, SIRC15, SIRC20, Kaseikyo, RCA, Pioneer.");
        row("flipper: bytes", "<flipper",
            flipperFile("name: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00\ncommand: 08 00 00 00\n"),
            "Flipper, linha 6, coluna 10: \"04 00 00\" não são quatro bytes hexadecimais (como 04 00 00 00).");
        row("rf line: divisor", "<line", "sendrf,4,1,1,500",
            "Linha sendrf, linha 1, coluna 8 (campo 2): código de divisor \"4\" inválido; use 1, 2 ou 3.");
        // The Sony TV power code as published: read, named and written back alike.
        const QString sony = "0000 0067 0000 000D 0060 0018 0030 0018 0018 0018 0030 0018 0018 0018 0030 0018 0018 "
                             "0018 0018 0018 0030 0018 0018 0018 0018 0018 0018 0018 0018 03F6";
        const QString sonyLine =
            "sendir,1:8,1,40244,3,1,96,24,48,24,24,24,48,24,24,24,48,24,24,24,24,24,48,24,24,24,24,24,"
            "24,24,24,1014";
        row("pronto Sony", "<pronto", sony, "TV|ir|sirc12:1:21|" + sonyLine.left(45) + "...");
        row("Sony to pronto", ">pronto", sonyLine, sony + "\n");
        // The frequency word: whole kHz where the word allows it, the word's own carrier otherwise;
        // a carrier between whole kHz is written as the word of its kHz, durations unchanged.
        row("pronto 38 kHz", "<pronto", "0000 006D 0001 0000 0010 0020", "TV|ir|-|sendir,1:8,1,38000,1,1,16,32");
        row("pronto 40 kHz", "<pronto", "0000 0068 0001 0000 0010 0020", "TV|ir|-|sendir,1:8,1,40000,1,1,16,32");
        row("pronto 40244 Hz", "<pronto", "0000 0067 0001 0000 0010 0020", "TV|ir|-|sendir,1:8,1,40244,1,1,16,32");
        row("37900 Hz to pronto", ">pronto", "sendir,1:8,1,37900,1,1,10,20", "0000 006D 0001 0000 000A 0014\n");
        // Literal exports. An odd line: the pair formats close it with a space of one period.
        const QString once = "sendir,1:8,1,38000,1,1,342,171,21,64,21";
        row("once: pronto", ">pronto", once, "0000 006D 0003 0000 0156 00AB 0015 0040 0015 0001\n");
        row("once: gc", ">gc", once, "sendir,1:1,1,38000,1,1,342,171,21,64,21,1\n");
        row("once: irctl", ">irctl", once, "+9000 -4500 +553 -1684 +553\n# carrier 38000\n");
        row("once: flipper", ">flipper", once,
            flipperFile("#\nname: Portão\ntype: raw\nfrequency: 38000\n"
                        "duty_cycle: 0.330000\ndata: 9000 4500 553 1684 553\n"));
        // A frame repeated: Pronto's repeat part; the microsecond formats write the three frames.
        const QString thrice = "sendir,1:8,1,40000,3,1,96,24,48,1014";
        const QString frames = "2400 600 1200 25350 2400 600 1200 25350 2400 600 1200 25350";
        row("thrice: pronto", ">pronto", thrice, "0000 0068 0000 0002 0060 0018 0030 03F6\n");
        row("thrice: gc", ">gc", thrice, "sendir,1:1,1,40000,3,1,96,24,48,1014\n");
        row("thrice: irctl", ">irctl", thrice,
            "+2400 -600 +1200 -25350 +2400 -600 +1200 -25350 +2400 -600 +1200 -25350\n# carrier 40000\n# repeat 3 "
            "offset 1\n");
        row("thrice: flipper", ">flipper", thrice,
            flipperFile("# repeat 3 offset 1\nname: Portão\ntype: raw\nfrequency: "
                        "40000\nduty_cycle: 0.330000\ndata: "
                + frames + "\n"));
        row("RF to rfraw", ">rfraw", "sendrf_rc,30,930", "30\n930\n");
        row("RF to flipper", ">flipper", "sendrf_rc,30,930",
            "O código \"Portão\" é RF: o formato flipper serve só para códigos IR (use line ou rfraw).");
        row("IR to rfraw", ">rfraw", "sendir,1:8,1,38000,1,1,10,20",
            "O código \"Portão\" é IR: o formato rfraw serve só para códigos RF (use pronto, gc, irctl, flipper ou "
            "line).");
    }

    void codeExchange()
    {
        QFETCH(QString, format);
        QFETCH(QString, text);
        const TCodeFormat f = *formatOfName(format.mid(1));
        QString got;
        if (format.startsWith('>')) {
            const TCodeKind kind = text.startsWith("sendrf") ? TCodeKind::rf : TCodeKind::ir;
            const auto r = exportCode({.name = "Portão", .kind = kind, .line = text}, f, false);
            got = r ? *r.value : r.error;
        } else if (const auto codes = importCodes(f, text, "TV", 32, QDateTime::currentDateTimeUtc())) {
            QStringList described;
            for (const libraryCode_t& c : *codes.value) {
                const auto& p = c.protocol;
                const QString protocol = p ? QString("%1:%2:%3").arg(p->name).arg(p->address).arg(p->command) : "-";
                described << QStringList {c.name, c.kind == TCodeKind::ir ? "ir" : "rf", protocol,
                    c.line.size() > 60 ? c.line.left(45) + "..." : c.line}
                                 .join('|');
            }
            got = described.join('\n');
        } else {
            got = codes.error;
        }
        QTEST(got, "expected");
    }

    // The README's example: every field read where it is documented.
    void documentedFile()
    {
        const TSiteLibrary lib = sampleLibrary();
        const libraryCode_t* c = lib.findCode("tv liga");
        QVERIFY(c);
        QCOMPARE(c->captured, (std::vector<uint16_t> {342, 171, 21, 1520, 342, 171, 21, 1520}));
        QCOMPARE((std::pair {c->frameLength, c->carrier}), (std::pair {4u, 38000u}));
        QCOMPARE(c->learnedAt, QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), Qt::UTC));
        QCOMPARE(lib.rtsBackups().at(0).remotes.at(0), remote(0, 4660, 167, {0x0A, 0xFF, 0x00}));
        const auto& unit = lib.units().at(0);
        QCOMPARE(
            (QStringList {c->unitMac, unit.serial, unit.settings->gateway, QString::number(unit.settings->tcpPort)}),
            (QStringList {"00:1A:2B:3C:4D:5E", "ONDX0001WXYZ", "192.168.0.1", "4998"}));
    }

    // Refused with the message, the library in memory and the file left as they were.
    void refused()
    {
        const std::pair<QByteArray, QString> rows[] = {
            {R"({"format": "OndixSetup library", "version": 2, "codes": []})",
                "é do formato 2, mais novo que o desta versão do OndixSetup (1); atualize o programa"},
            {R"({"version": 1, "codes": []})", "não é uma biblioteca do OndixSetup"},
            {"sendir,1:8,1,38000,1,1,10", "não é uma biblioteca do OndixSetup (JSON inválido perto do byte 1)"},
            {R"({"format": "OndixSetup library", "version": 1, "codes": [{"name": "A", "kind": "ir",
                 "line": "sendir,1:8,1,38000,1,1,10"}, {"name": "B", "kind": "tv", "line": "x"}]})",
                "está danificada: código 2, campo \"kind\": \"tv\" não é ir nem rf"},
            {R"({"format": "OndixSetup library", "version": 1, "codes": [{"name": "A", "kind": "ir",
                 "line": "sendir"}, {"name": "a", "kind": "ir", "line": "sendir"}]})",
                "está danificada: código 2: o nome \"a\" repete o de outro código (\"A\")"},
            {R"({"format": "OndixSetup library", "version": 1, "rtsBackups": [{"unitMac": "M",
                 "remotes": [{"type": 0, "rollingCode": 70000, "keyCode": 1, "remoteId": "01-02-03"}]}]})",
                "está danificada: cópia RTS 1, controle 1, campo \"rollingCode\": ausente ou não é um número "
                "inteiro de 0 a 65535"}};
        QTemporaryDir dir;
        const QString path = dir.filePath("obra.json");
        for (const auto& [content, message] : rows) {
            writeFile(path, content);
            TSiteLibrary lib = sampleLibrary();
            const TSiteLibrary before = lib;
            QCOMPARE(lib.load(path), QString("O arquivo \"%1\" %2. Nada foi alterado.").arg(path, message));
            QVERIFY(lib == before);
            QCOMPARE(fileBytes(path), content);
        }
    }

    // A library written (a name with characters JSON escapes), then a write cut short (the file
    // size limit stops it midway, as a full disk would): the save reports it and the old file
    // still opens whole, as it was written.
    void writtenThenInterrupted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("obra.json");
        TSiteLibrary old = sampleLibrary();
        libraryCode_t quoted = *old.findCode("Portão");
        quoted.name = "Sala \"B\" \\ 1\tfim";
        QCOMPARE(old.addCode(quoted), QString());
        QVERIFY(old.modified());
        QCOMPARE(old.save(path), QString());
        QVERIFY(!old.modified());
        TSiteLibrary writing = sampleLibrary(200);
        QVERIFY(writing.toJson().size() > 4 * fileBytes(path).size());

        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const rlimit small {rlim_t(2 * fileBytes(path).size()), saved.rlim_max};
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const QString error = writing.save(path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY2(error.startsWith(QString("Não foi possível gravar a biblioteca \"%1\"").arg(path))
                && error.endsWith("O arquivo anterior ficou como estava."),
            qPrintable(error));
        QVERIFY(writing.modified());
        TSiteLibrary reopened;
        QCOMPARE(reopened.load(path), QString());
        QVERIFY(reopened == old && !reopened.modified());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"obra.json"});
    }

    void codeNames()
    {
        TSiteLibrary lib = sampleLibrary();
        libraryCode_t c = *lib.findCode("TV Liga");
        const auto add = [&](const QString& name) { return c.name = name, lib.addCode(c); };
        QCOMPARE(add("  tv liga "), QString("Já existe um código chamado \"TV Liga\" na biblioteca."));
        QCOMPARE(add(""), QString("O nome \"\" não serve: vazio ou com quebra de linha."));
        QCOMPARE(add(" TV Desliga "), QString());
        QCOMPARE(lib.findCode("tv desliga")->name, QString("TV Desliga"));
        c.kind = TCodeKind::rf;
        QCOMPARE(add("RF errado"), QString("A linha do código \"RF errado\" não é uma linha sendrf de uma só linha."));
        QCOMPARE(
            lib.renameCode("tv desliga", "PORTÃO"), QString("Já existe um código chamado \"Portão\" na biblioteca."));
        QCOMPARE(lib.renameCode("tv desliga", "TV DESLIGA"), QString());
        QCOMPARE(lib.findCode("tv desliga")->name, QString("TV DESLIGA"));
        QCOMPARE(lib.renameCode("Rádio", "X"), QString("Não há código chamado \"Rádio\" na biblioteca."));
        QCOMPARE(lib.deleteCode("tv liga"), QString());
        QVERIFY(!lib.findCode("TV Liga"));
        QCOMPARE(lib.deleteCode("tv liga"), QString("Não há código chamado \"tv liga\" na biblioteca."));
        QCOMPARE(lib.codes().size(), size_t(2));
    }

    void restoreRule()
    {
        const std::vector<rtsRemote_t> backup {
            remote(0, 100, 1, {1, 1, 1}, 9), remote(1, 500, 2, {2, 2, 2}), remote(0, 300, 3, {3, 3, 3})};
        const eepromRemoteData_t now {3,
            {remote(0, 250, 1, {1, 1, 1}),  // advanced since the backup
                remote(1, 480, 2, {2, 2, 2}),  // lower than the backup
                remote(0, 7, 4, {4, 4, 4})}};  // paired after the backup
        const rtsRestorePlan_t plan = rtsRestorePlan(backup, now);
        QCOMPARE(plan.error, QString());
        QCOMPARE(plan.table.count, 4u);
        QCOMPARE(std::vector(plan.table.remotes.begin(), plan.table.remotes.begin() + 4),
            (std::vector {remote(0, 250, 1, {1, 1, 1}, 9), remote(1, 500, 2, {2, 2, 2}), remote(0, 300, 3, {3, 3, 3}),
                remote(0, 7, 4, {4, 4, 4})}));
        QCOMPARE(plan.raised, (std::vector<rtsRaised_t> {{{1, 1, 1}, 100, 250}}));
        QCOMPARE(plan.kept, (std::vector<std::array<uint8_t, 3>> {{4, 4, 4}}));
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "test_library.moc"
