// The settings tab's numbers, the write-settings frame, the read's answer check and the
// device clock frames.
#include "settings/clockFrames.h"
#include "settings/settingsFrames.h"

#include <QTest>

using namespace ondixsettings;

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

// 192.168.0.60 / 255.255.255.0 / 192.168.0.1, DHCP off, port 4998.
TSettingsTexts typical()
{
    TSettingsTexts t;
    t.ip = {"192", "168", "0", "60"};
    t.mask = {"255", "255", "255", "0"};
    t.gateway = {"192", "168", "0", "1"};
    t.port = "4998";
    return t;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void decimalField_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("maximum");
        QTest::addColumn<int>("value");  // -1: refused
        QTest::addColumn<QString>("error");
        const auto octet = [](const char* tag, const char* text, int value, const char* error = "") {
            QTest::newRow(tag) << "IP_4" << QString::fromUtf8(text) << 255u << value << QString::fromUtf8(error);
        };
        octet("zero", "0", 0);
        octet("top of an octet", "255", 255);
        octet("leading zeros", "007", 7);
        octet("300", "300", -1, "Valor inválido em Endereço IP, 1º campo: \"300\" (use um número de 0 a 255).");
        octet("256", "256", -1, "Valor inválido em Endereço IP, 1º campo: \"256\" (use um número de 0 a 255).");
        octet("empty", "", -1, "Valor inválido em Endereço IP, 1º campo: \"\" (use um número de 0 a 255).");
        octet("letters", "abc", -1, "Valor inválido em Endereço IP, 1º campo: \"abc\" (use um número de 0 a 255).");
        octet("digit then letter", "1a", -1,
            "Valor inválido em Endereço IP, 1º campo: \"1a\" (use um número de 0 a 255).");
        octet(
            "hexadecimal", "0x10", -1, "Valor inválido em Endereço IP, 1º campo: \"0x10\" (use um número de 0 a 255).");
        octet(
            "leading blank", " 12", -1, "Valor inválido em Endereço IP, 1º campo: \" 12\" (use um número de 0 a 255).");
        octet("trailing blank", "12 ", -1,
            "Valor inválido em Endereço IP, 1º campo: \"12 \" (use um número de 0 a 255).");
        octet("blanks only", "   ", -1, "Valor inválido em Endereço IP, 1º campo: \"   \" (use um número de 0 a 255).");
        octet("inner blank", "1 2", -1, "Valor inválido em Endereço IP, 1º campo: \"1 2\" (use um número de 0 a 255).");
        octet("minus one", "-1", -1, "Valor inválido em Endereço IP, 1º campo: \"-1\" (use um número de 0 a 255).");
        octet("plus sign", "+5", -1, "Valor inválido em Endereço IP, 1º campo: \"+5\" (use um número de 0 a 255).");
        octet("full-width digits", "１２", -1,
            "Valor inválido em Endereço IP, 1º campo: \"１２\" (use um número de 0 a 255).");
        QTest::newRow("port 4998") << "edPort"
                                   << "4998" << 65535u << 4998 << "";
        QTest::newRow("port 65535") << "edPort"
                                    << "65535" << 65535u << 65535 << "";
        QTest::newRow("port 70000") << "edPort"
                                    << "70000" << 65535u << -1
                                    << "Valor inválido em Porta TCP: \"70000\" (use um número de 0 a 65535).";
        QTest::newRow("port 65536") << "edPort"
                                    << "65536" << 65535u << -1
                                    << "Valor inválido em Porta TCP: \"65536\" (use um número de 0 a 65535).";
        // The text is quoted as typed, even when it looks like a placeholder of the message.
        octet("placeholder %1", "3%1", -1,
            "Valor inválido em Endereço IP, 1º campo: \"3%1\" (use um número de 0 a 255).");
        octet("placeholders %1 %3 %00", "%1 %3 %00", -1,
            "Valor inválido em Endereço IP, 1º campo: \"%1 %3 %00\" (use um número de 0 a 255).");
        QTest::newRow("digits past 64 bits")
            << "M_IP_2"
            << "123456789012345678901234567890" << 255u << -1
            << "Valor inválido em Mascara de IP, 3º campo: \"123456789012345678901234567890\" "
               "(use um número de 0 a 255).";
    }
    void decimalField()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(uint, maximum);
        QFETCH(int, value);
        const TNumberField f = parseDecimalField(box, text, maximum);
        QCOMPARE(f.ok, value >= 0);
        if (f.ok)
            QCOMPARE(int(f.value), value);
        QTEST(f.error, "error");
    }

    // Each box as the user sees it: its label and, for an address, its field from the left.
    void boxCaptions_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::newRow("IP_4") << "IP_4"
                              << "Endereço IP, 1º campo";
        QTest::newRow("IP_1") << "IP_1"
                              << "Endereço IP, 4º campo";
        QTest::newRow("M_IP_1") << "M_IP_1"
                                << "Mascara de IP, 4º campo";
        QTest::newRow("M_IP_3") << "M_IP_3"
                                << "Mascara de IP, 2º campo";
        QTest::newRow("GW_IP_2") << "GW_IP_2"
                                 << "Gateway IP, 3º campo";
        QTest::newRow("edPort") << "edPort"
                                << "Porta TCP";
        QTest::newRow("edAddr") << "edAddr"
                                << "Address";
        QTest::newRow("edQtd") << "edQtd"
                               << "Qtd";
        QTest::newRow("no fifth field") << "IP_5"
                                        << "IP_5";
        QTest::newRow("no field 0") << "M_IP_0"
                                    << "M_IP_0";
        QTest::newRow("unknown") << "edOther"
                                 << "edOther";
    }
    void boxCaptions()
    {
        QFETCH(QString, box);
        QTEST(boxCaption(box), "caption");
    }

    // The first refused box is named, in the order the frame is built.
    void settingsRefusal_data()
    {
        QTest::addColumn<int>("group");  // 0 ip, 1 mask, 2 gateway, 3 port
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("first box") << 0 << 0 << "300"
                                   << "Valor inválido em Endereço IP, 1º campo: \"300\" (use um número de 0 a 255).";
        QTest::newRow("last address box")
            << 0 << 3 << "x"
            << "Valor inválido em Endereço IP, 4º campo: \"x\" (use um número de 0 a 255).";
        QTest::newRow("mask") << 1 << 2 << ""
                              << "Valor inválido em Mascara de IP, 3º campo: \"\" (use um número de 0 a 255).";
        QTest::newRow("gateway") << 2 << 3 << "-1"
                                 << "Valor inválido em Gateway IP, 4º campo: \"-1\" (use um número de 0 a 255).";
        QTest::newRow("port") << 3 << 0 << "70000"
                              << "Valor inválido em Porta TCP: \"70000\" (use um número de 0 a 65535).";
    }
    void settingsRefusal()
    {
        QFETCH(int, group);
        QFETCH(int, index);
        QFETCH(QString, text);
        TSettingsTexts t = typical();
        std::array<QString, 4>* groups[] = {&t.ip, &t.mask, &t.gateway};
        t.port = "x";  // a later fault: only the first one is reported
        if (group < 3)
            (*groups[group])[size_t(index)] = text;
        else
            t.port = text;
        const TSettingsParse p = parseSettings(t);
        QVERIFY(!p.ok);
        QTEST(p.error, "error");
    }

    void writeFrame_data()
    {
        QTest::addColumn<bool>("withRecord");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("nothing read: zero") << false
                                            << hex("454B01040000 C0A8003C FFFFFF00 C0A80001 000000000000 00 8613"
                                                   "00000000000000000000000000000000 0000 00 38070000");
        // The record read holds other addresses and nonzero bytes 4-5: only its MAC,
        // identification, version and RF flag are sent back.
        QTest::newRow("last record's unfilled positions")
            << true
            << hex("454B01040000 C0A8003C FFFFFF00 C0A80001 001A2B3C4D5E 00 8613"
                   "4F4E4458303030303030303030303031 1500 01 F40B0000");
    }
    void writeFrame()
    {
        QFETCH(bool, withRecord);
        const TSettingsParse p = parseSettings(typical());
        QVERIFY2(p.ok, qPrintable(p.error));
        deviceinfo::Record record {};
        const QByteArray read = hex("454B01031234 0A000007 FFFF0000 0A000001 001A2B3C4D5E 01 8813"
                                    "4F4E4458303030303030303030303031 1500 01 00000000");
        std::copy(read.begin(), read.end(), record.begin());
        const QByteArray built = writeSettingsFrame(p.values, withRecord ? &record : nullptr);
        QFETCH(QByteArray, frame);
        QCOMPARE(hexText(built), hexText(frame));
    }

    void dhcpAndPortBytes()
    {
        TSettingsTexts t = typical();
        t.dhcp = true;
        t.port = "65535";
        const QByteArray frame = writeSettingsFrame(parseSettings(t).values);
        QCOMPARE(hexText(frame.mid(24, 3)), QString("01 FF FF"));
        QCOMPARE(frame.size(), 50);
    }

    void clockRequests_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("frame");
        QTest::newRow("5 December 2026 08:30:15, milliseconds dropped") << QDateTime(
            QDate(2026, 12, 5), QTime(8, 30, 15, 999)) << "45 4B 01 0B 07 00 EA 07 0C 05 08 1E 0F DA 01 00 00";
        QTest::newRow("year 40000") << QDateTime(QDate(40000, 1, 1), QTime(0, 0))
                                    << "45 4B 01 0B 07 00 40 9C 01 01 00 00 00 81 01 00 00";
        QTest::newRow("year 70000 does not fit") << QDateTime(QDate(70000, 1, 1), QTime(0, 0)) << "";
        QTest::newRow("invalid time") << QDateTime() << "";
    }
    void clockRequests()
    {
        QFETCH(QDateTime, time);
        QTEST(hexText(ondixclock::setClockFrame(time)), "frame");
        QCOMPARE(hexText(ondixclock::getClockRequest()), QString("45 4B 01 0A 9B 00 00 00"));
    }

    void clockAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("received");
        QTest::addColumn<QString>("text");  // empty: refused
        const QByteArray march = hex("454B010A0700 E907 03 07 09 05 00 AA010000");
        QTest::newRow("7 March 2025 09:05:00") << march << 17 << "Date: 07/03/2025\nTime: 09:05:00";
        QTest::newRow("values shown as they are")
            << hex("454B010A0700 FFFF C8 1F 17 3B 3B 14040000") << 17 << "Date: 31/200/65535\nTime: 23:59:59";
        QTest::newRow("16 bytes received") << march << 16 << "";
        QTest::newRow("zero checksum over zero bytes") << QByteArray(17, '\0') << 17 << "";
        QTest::newRow("checksum off by one") << hex("454B010A0700 E907 03 07 09 05 00 AB010000") << 17 << "";
    }
    void clockAnswer()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, received);
        QFETCH(QString, text);
        const ondixclock::TClockAnswer a = ondixclock::decodeClockAnswer(u8(answer), size_t(received));
        QCOMPARE(a.ok, !text.isEmpty());
        if (a.ok)
            QCOMPARE(ondixclock::clockLogText(a.record), text);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
