// Console keywords, the command-line bytes, and the service frames: MAC write and flash
// read.
#include "console/consoleCommands.h"
#include "console/serviceFrames.h"
#include "tests/support/bytesText.h"

#include <QTest>

using namespace ondixconsole;
using namespace ondixservice;

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    // The other keywords' effects, and so their commands: test_console_ops keywords.
    void keywords()
    {
        QCOMPARE(consoleCommandFor(QStringLiteral("getRTS")), TConsoleCommand::getRTS);
        // Whole lines only, as typed: no case folding, blanks or line ends, nor part of a keyword.
        for (const char* other : {"Help", "help ", "getClock\r", "vilaverdebom482", "vilaverdebom48270", ""})
            QCOMPARE(consoleCommandFor(QString::fromLatin1(other)), TConsoleCommand::none);
    }

    void commandLine()
    {
        // `bytes` in hex, unused when refused
        const auto check = [](const QString& text, bool usb, const char* bytes, const char* error = "") {
            const TCommandLineBytes r = commandLineBytes(text, usb ? TCommandLink::usb : TCommandLink::network);
            QCOMPARE(r.error, QString::fromUtf8(error));
            QCOMPARE(r.ok, !*error);
            if (!r.ok)
                return;
            if (text.size() > 100)  // the long rows: only the length matters
                QCOMPARE(r.bytes.size(), text.size() + (usb ? 2 : 0));
            else
                QCOMPARE(hexText(r.bytes), QString::fromLatin1(bytes));
            if (usb)  // the whole line and CR LF fit behind the 16-bit length
                QVERIFY(r.bytes.size() <= 0xFFFF);
        };
        check("", true, "0D 0A");
        check("", false, "");
        check("sendir,1", true, "73 65 6E 64 69 72 2C 31 0D 0A");
        check("a\nb", false, "61 0A 62");  // no line end added over the network
        check("ação", true, "61 E7 E3 6F 0D 0A");  // Latin-1 accents travel as one byte
        check("valor 5€", false, "",
            "Caractere não permitido no comando: \"€\" (U+20AC). Use apenas caracteres de um byte (Latin-1).");
        check("ok 😀", true, "",
            "Caractere não permitido no comando: \"😀\" (U+1F600). Use apenas caracteres de um byte (Latin-1).");
        check(QString(65533, 'a'), true, "");  // the longest over USB
        check(QString(65534, 'a'), true, "", "Comando longo demais para a USB: 65534 caracteres (o máximo é 65533).");
        check(QString(65534, 'a'), false, "");
    }

    // Each character counts by its low bits, as the device's own reader does.
    void macText()
    {
        const std::tuple<const char*, uint, int> rows[] = {{"1A", 0x1A, 0x1A}, {"ff", 0xFF, 0xFF}, {"123", 0x123, 0x23},
            {"G5", 0x05, 0x05}, {":0", 0xA0, 0xA0}, {"ç1", 0x01, 0x01}, {"", 0, 0}};
        for (const auto& [text, value, byte] : rows) {
            QCOMPARE(uint(macTextValue(QString::fromUtf8(text))), value);
            QCOMPARE(int(macByte(QString::fromUtf8(text))), byte);
        }
    }

    // The MAC write frame; the flash read request, or its refusal naming the first bad box.
    void serviceFrames()
    {
        QCOMPARE(hexText(writeMacFrame({"00", "1A", "ff", "0B", "2c", "FE"})),
            "45 4B 01 05 00 00 00 1A FF 0B 2C FE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 E4 02 00 00");
        const std::tuple<const char*, const char*, const char*> flash[] = {
            {"0", "128", "45 4B 01 15 08 00 00 00 00 00 80 00 00 00 2E 01 00 00"},
            {"4294967295", "9990", "45 4B 01 15 08 00 FF FF FF FF 06 27 00 00 D7 04 00 00"},
            {"0", "9991", "Valor inválido em Qtd: \"9991\" (use um número de 0 a 9990)."},
            {"4294967296", "1", "Valor inválido em Address: \"4294967296\" (use um número de 0 a 4294967295)."},
            {"", "12k", "Valor inválido em Address: \"\" (use um número de 0 a 4294967295)."}};
        for (const auto& [address, quantity, expected] : flash) {
            const TFlashRequest r = flashReadRequest(QString::fromLatin1(address), QString::fromLatin1(quantity));
            QCOMPARE(r.ok ? hexText(r.frame) : r.error, QString::fromUtf8(expected));
            QCOMPARE(r.frame.isEmpty(), !r.ok);
        }
    }

    // Refused when the answer is cut, announces more than arrived, or is all zeros.
    void flashAnswer()
    {
        const QByteArray three = hex("454B0115 0300 001FFF C7010000");
        const std::tuple<QByteArray, int, const char*> rows[] = {{three, 13, "[00][1F][FF]"},
            {hex("454B0115 0000 A6000000"), 10, ""}, {three, 12, "-"}, {hex("454B0115 FF00 001FFF C7010000"), 13, "-"},
            {three, 5, "-"}, {QByteArray(10, '\0'), 10, "-"}};  // "-": refused
        for (const auto& [answer, received, line] : rows) {
            const TFlashDump d = decodeFlashAnswer(u8(answer), size_t(received));
            QCOMPARE(d.ok ? d.line : QStringLiteral("-"), QString::fromLatin1(line));
        }
    }

    // The largest dump: 9990 groups, the first and last bytes in place.
    void largestFlashAnswer()
    {
        QByteArray data(9990, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i);
        const QByteArray answer = sealed(hex("454B0115 0627") + data);
        QCOMPARE(answer.size(), 10000);
        const TFlashDump d = decodeFlashAnswer(u8(answer), size_t(answer.size()));
        QVERIFY(d.ok);
        QCOMPARE(d.line.size(), 9990 * 4);
        QVERIFY(d.line.startsWith("[00][01][02]"));
        QVERIFY(d.line.endsWith("[03][04][05]"));
    }
};

QTEST_GUILESS_MAIN(TestConsole)
#include "test_console.moc"
