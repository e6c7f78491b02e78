// Console keywords, the command-line bytes, and the service frames: MAC write, flash read,
// firmware-update trigger.
#include "console/consoleCommands.h"
#include "console/serviceFrames.h"
#include "link/usbFraming.h"

#include <QTest>

using namespace ondixconsole;
using namespace ondixservice;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}
const uint8_t* u8(const QByteArray& b)
{
    return reinterpret_cast<const uint8_t*>(b.constData());
}
QString hexText(const QByteArray& b)
{
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

}  // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void keywords_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<TConsoleCommand>("command");
        QTest::newRow("access code") << "vilaverdebom4827" << TConsoleCommand::serviceAccess;
        QTest::newRow("firmware") << "atualizarfirmware" << TConsoleCommand::firmwareUpdate;
        QTest::newRow("getRTS") << "getRTS" << TConsoleCommand::getRTS;
        QTest::newRow("getClock") << "getClock" << TConsoleCommand::getClock;
        QTest::newRow("setClock") << "setClock" << TConsoleCommand::setClock;
        QTest::newRow("memoryTest") << "memoryTest" << TConsoleCommand::memoryTest;
        QTest::newRow("help") << "help" << TConsoleCommand::help;
        QTest::newRow("capital H") << "Help" << TConsoleCommand::none;
        QTest::newRow("leading blank") << " help" << TConsoleCommand::none;
        QTest::newRow("trailing blank") << "help " << TConsoleCommand::none;
        QTest::newRow("line end kept") << "getClock\r" << TConsoleCommand::none;
        QTest::newRow("part of the code") << "vilaverdebom482" << TConsoleCommand::none;
        QTest::newRow("code and more") << "vilaverdebom48270" << TConsoleCommand::none;
        QTest::newRow("lower case") << "getclock" << TConsoleCommand::none;
        QTest::newRow("empty") << "" << TConsoleCommand::none;
        QTest::newRow("a command line") << "sendrf,2,1,1,300,900" << TConsoleCommand::none;
    }
    void keywords()
    {
        QFETCH(QString, line);
        QTEST(consoleCommandFor(line), "command");
    }

    void help() { QCOMPARE(helpLines(), (QStringList {"Commands:", "getRTS", "getClock", "setClock", "memoryTest"})); }

    void commandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usb");
        QTest::addColumn<QString>("bytes");  // hex; unused when refused
        QTest::addColumn<QString>("error");
        QTest::newRow("empty memo, USB") << "" << true << "0D 0A"
                                         << "";
        QTest::newRow("empty memo, network") << "" << false << ""
                                             << "";
        QTest::newRow("line, USB") << "sendir,1" << true << "73 65 6E 64 69 72 2C 31 0D 0A"
                                   << "";
        QTest::newRow("two lines, network: no line end added") << "a\nb" << false << "61 0A 62"
                                                               << "";
        QTest::newRow("Latin-1 accents travel as one byte") << "ação" << true << "61 E7 E3 6F 0D 0A"
                                                            << "";
        QTest::newRow("euro sign") << "valor 5€" << false << ""
                                   << "Caractere não permitido no comando: \"€\" (U+20AC). "
                                      "Use apenas caracteres de um byte (Latin-1).";
        QTest::newRow("character beyond 16 bits") << "ok 😀" << true << ""
                                                  << "Caractere não permitido no comando: \"😀\" (U+1F600). "
                                                     "Use apenas caracteres de um byte (Latin-1).";
        QTest::newRow("longest USB line") << QString(65533, 'a') << true << ""
                                          << "";
        QTest::newRow("one too long for USB")
            << QString(65534, 'a') << true << ""
            << "Comando longo demais para a USB: 65534 caracteres (o máximo é 65533).";
        QTest::newRow("as long over the network") << QString(65534, 'a') << false << ""
                                                  << "";
    }
    void commandLine()
    {
        QFETCH(QString, text);
        QFETCH(bool, usb);
        QFETCH(QString, bytes);
        QFETCH(QString, error);
        const TCommandLineBytes r = commandLineBytes(text, usb ? TCommandLink::usb : TCommandLink::network);
        QCOMPARE(r.error, error);
        QCOMPARE(r.ok, error.isEmpty());
        if (!r.ok)
            return;
        if (text.size() > 100)  // the long rows: only the length matters
            QCOMPARE(r.bytes.size(), text.size() + (usb ? 2 : 0));
        else
            QCOMPARE(hexText(r.bytes), bytes);
        if (usb)  // the whole line and CR LF fit behind the 16-bit length
            QVERIFY(r.bytes.size() <= 0xFFFF);
    }

    // An empty memo over USB: one report, the length 2, then CR LF.
    void emptyMemoOnTheCable()
    {
        const QByteArray line = commandLineBytes(QString(), TCommandLink::usb).bytes;
        const auto reports = ondixusb::outputReports(u8(line), uint16_t(line.size()));
        QCOMPARE(reports.size(), size_t(1));
        QCOMPARE(hexText(QByteArray(reinterpret_cast<const char*>(reports[0].data()), 5)), QString("00 02 00 0D 0A"));
    }

    void macText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("byte");
        QTest::newRow("00") << "00" << 0x00u << 0x00;
        QTest::newRow("1A") << "1A" << 0x1Au << 0x1A;
        QTest::newRow("ff") << "ff" << 0xFFu << 0xFF;
        QTest::newRow("2c") << "2c" << 0x2Cu << 0x2C;
        QTest::newRow("three digits keep the low byte") << "123" << 0x123u << 0x23;
        QTest::newRow("G counts 0") << "G5" << 0x05u << 0x05;
        QTest::newRow("colon counts 10") << ":0" << 0xA0u << 0xA0;
        QTest::newRow("'*' and '?' by their low bits") << "*?" << 0xAFu << 0xAF;
        QTest::newRow("blank holds its place") << "1 " << 0x10u << 0x10;
        QTest::newRow("non-Latin character counts 0") << "ç1" << 0x01u << 0x01;
        QTest::newRow("empty") << "" << 0u << 0;
    }
    void macText()
    {
        QFETCH(QString, text);
        QTEST(uint(macTextValue(text)), "value");
        QTEST(int(macByte(text)), "byte");
    }

    void serviceFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("expected");
        QTest::newRow("MAC 00 1A ff 0B 2c FE")
            << writeMacFrame({"00", "1A", "ff", "0B", "2c", "FE"})
            << "45 4B 01 05 00 00 00 1A FF 0B 2C FE 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 E4 02 00 00";
        QTest::newRow("flash 0, 128") << flashReadRequest("0", "128").frame
                                      << "45 4B 01 15 08 00 00 00 00 00 80 00 00 00 2E 01 00 00";
        QTest::newRow("flash at the top, largest quantity")
            << flashReadRequest("4294967295", "9990").frame << "45 4B 01 15 08 00 FF FF FF FF 06 27 00 00 D7 04 00 00";
    }
    void serviceFrames()
    {
        QFETCH(QByteArray, frame);
        QTEST(hexText(frame), "expected");
    }

    void flashRefusal_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("error");
        QTest::newRow("quantity past the receive buffer")
            << "0"
            << "9991"
            << "Valor inválido em Qtd: \"9991\" (use um número de 0 a 9990).";
        QTest::newRow("quantity letters") << "0"
                                          << "12k"
                                          << "Valor inválido em Qtd: \"12k\" (use um número de 0 a 9990).";
        QTest::newRow("address hexadecimal")
            << "0x100"
            << "128"
            << "Valor inválido em Address: \"0x100\" (use um número de 0 a 4294967295).";
        QTest::newRow("address past 32 bits")
            << "4294967296"
            << "1"
            << "Valor inválido em Address: \"4294967296\" (use um número de 0 a 4294967295).";
        QTest::newRow("address negative") << "-1"
                                          << "1"
                                          << "Valor inválido em Address: \"-1\" (use um número de 0 a 4294967295).";
        QTest::newRow("both bad: address named")
            << ""
            << ""
            << "Valor inválido em Address: \"\" (use um número de 0 a 4294967295).";
    }
    void flashRefusal()
    {
        QFETCH(QString, address);
        QFETCH(QString, quantity);
        const TFlashRequest r = flashReadRequest(address, quantity);
        QVERIFY(!r.ok);
        QVERIFY(r.frame.isEmpty());
        QTEST(r.error, "error");
    }

    void flashAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("received");
        QTest::addColumn<QString>("line");  // "-": refused
        const QByteArray three = hex("454B0115 0300 001FFF C7010000");
        QTest::newRow("three bytes") << three << 13 << "[00][1F][FF]";
        QTest::newRow("three bytes, more received") << three + QByteArray(20, '\x55') << 33 << "[00][1F][FF]";
        QTest::newRow("no data") << hex("454B0115 0000 A6000000") << 10 << "";
        QTest::newRow("last byte missing") << three << 12 << "-";
        QTest::newRow("N beyond what arrived") << hex("454B0115 FF00 001FFF C7010000") << 13 << "-";
        QTest::newRow("header cut") << three << 5 << "-";
        QTest::newRow("data changed") << hex("454B0115 0300 001FFE C7010000") << 13 << "-";
        QTest::newRow("zero checksum over zero bytes") << QByteArray(10, '\0') << 10 << "-";
    }
    void flashAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, received);
        QFETCH(QString, line);
        const TFlashDump d = decodeFlashAnswer(u8(answer), size_t(received));
        QCOMPARE(d.ok, line != "-");
        if (d.ok)
            QCOMPARE(d.line, line);
    }

    // The largest dump: 9990 groups, the first and last bytes in place.
    void largestFlashAnswer()
    {
        QByteArray data(9990, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i);
        QByteArray answer = hex("454B0115 0627") + data;
        quint32 sum = 0;
        for (char c : answer)
            sum += quint8(c);
        for (int i = 0; i < 4; ++i)
            answer.append(char(sum >> (8 * i)));
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
