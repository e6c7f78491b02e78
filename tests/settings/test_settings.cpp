// The settings tab's numbers, the write-settings frame, the read's answer check and the
// device clock frames.
#include "settings/clockFrames.h"
#include "settings/settingsFrames.h"
#include "tests/support/bytesText.h"

#include <QTest>

using namespace ondixsettings;

namespace {

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
    // Decimal digits only, up to the maximum itself; anything else is refused in one line
    // quoting the text as typed (even a placeholder of the message).
    void decimalField()
    {
        const auto check = [](const QString& box, const QString& text, uint maximum, int value) {  // -1: refused
            const TNumberField f = parseDecimalField(box, text, maximum);
            QCOMPARE(int(f.ok ? f.value : -1), value);
            QCOMPARE(f.error,
                f.ok ? QString()
                     : QStringLiteral("Valor inválido em %1: \"%2\" (use um número de 0 a %3).")
                           .arg(boxCaption(box), text, QString::number(maximum)));
        };
        check("IP_4", "0", 255, 0);
        check("IP_4", "255", 255, 255);
        check("IP_4", "007", 255, 7);
        check("edPort", "65535", 65535, 65535);
        check("edPort", "65536", 65535, -1);
        for (const char* refused :
            {"256", "", "1a", " 12", "-1", "１２", "%1 %3 %00", "123456789012345678901234567890"})
            check("M_IP_2", QString::fromUtf8(refused), 255, -1);
    }

    // Each box as the user sees it: its label and, for an address, its field from the left.
    void boxCaptions()
    {
        const std::pair<const char*, const char*> rows[] = {{"IP_4", "Endereço IP, 1º campo"},
            {"IP_1", "Endereço IP, 4º campo"}, {"M_IP_3", "Mascara de IP, 2º campo"},
            {"GW_IP_2", "Gateway IP, 3º campo"}, {"edPort", "Porta TCP"}, {"edAddr", "Address"}, {"edQtd", "Qtd"},
            {"IP_5", "IP_5"}};
        for (const auto& [box, caption] : rows)
            QCOMPARE(boxCaption(box), QString::fromUtf8(caption));
    }

    // The first refused box is named, in the order the frame is built (the port, refused
    // too, comes last).
    void settingsRefusal()
    {
        const std::tuple<int, size_t, const char*> rows[] = {{0, 0, "IP_4"}, {0, 3, "IP_1"}, {2, 3, "GW_IP_1"},
            {3, 0, "edPort"}};  // group (ip, mask, gateway, none: the port), box, its name
        for (const auto& [group, index, box] : rows) {
            TSettingsTexts t = typical();
            std::array<QString, 4>* groups[] = {&t.ip, &t.mask, &t.gateway};
            t.port = "x";
            if (group < 3)
                (*groups[group])[index] = "300";
            const TSettingsParse p = parseSettings(t);
            QVERIFY(!p.ok);
            QCOMPARE(p.box, box);
            QCOMPARE(p.error, parseDecimalField(box, group < 3 ? "300" : "x", group < 3 ? 255 : 65535).error);
        }
    }

    // Nothing read: zeros. A record read (other addresses, nonzero bytes 4-5): only its MAC,
    // identification, version and RF flag are sent back.
    void writeFrame()
    {
        const TSettingsParse p = parseSettings(typical());
        QVERIFY2(p.ok, qPrintable(p.error));
        deviceinfo::Record record {};
        const QByteArray read = hex("454B01031234 0A000007 FFFF0000 0A000001 001A2B3C4D5E 01 8813"
                                    "4F4E4458303030303030303030303031 1500 01 00000000");
        std::copy(read.begin(), read.end(), record.begin());
        QCOMPARE(hexText(writeSettingsFrame(p.values, nullptr)),
            hexText(hex("454B01040000 C0A8003C FFFFFF00 C0A80001 000000000000 00 8613"
                        "00000000000000000000000000000000 0000 00 38070000")));
        QCOMPARE(hexText(writeSettingsFrame(p.values, &record)),
            hexText(hex("454B01040000 C0A8003C FFFFFF00 C0A80001 001A2B3C4D5E 00 8613"
                        "4F4E4458303030303030303030303031 1500 01 F40B0000")));
    }

    // Milliseconds dropped; a year past 16 bits or an invalid time gives no frame.
    void clockRequests()
    {
        const std::pair<QDateTime, const char*> rows[] = {{QDateTime(QDate(2026, 12, 5), QTime(8, 30, 15, 999)),
                                                              "45 4B 01 0B 07 00 EA 07 0C 05 08 1E 0F DA 01 00 00"},
            {QDateTime(QDate(40000, 1, 1), QTime(0, 0)), "45 4B 01 0B 07 00 40 9C 01 01 00 00 00 81 01 00 00"},
            {QDateTime(QDate(70000, 1, 1), QTime(0, 0)), ""}, {QDateTime(), ""}};
        for (const auto& [time, frame] : rows)
            QCOMPARE(hexText(ondixclock::setClockFrame(time)), QString::fromLatin1(frame));
        QCOMPARE(hexText(ondixclock::getClockRequest()), QString("45 4B 01 0A 9B 00 00 00"));
    }

    // The answer, the bytes received, the text logged (empty: refused): a date, values shown as
    // they are, one byte short, a zero checksum over zero bytes, a checksum off by one.
    void clockAnswer()
    {
        const QByteArray march = hex("454B010A0700 E907 03 07 09 05 00 AA010000");
        for (const auto& [answer, received, text] : {std::tuple {march, 17, "Date: 07/03/2025\nTime: 09:05:00"},
                 {hex("454B010A0700 FFFF C8 1F 17 3B 3B 14040000"), 17, "Date: 31/200/65535\nTime: 23:59:59"},
                 {march, 16, ""}, {QByteArray(17, '\0'), 17, ""},
                 {hex("454B010A0700 E907 03 07 09 05 00 AB010000"), 17, ""}}) {
            const ondixclock::TClockAnswer a = ondixclock::decodeClockAnswer(u8(answer), size_t(received));
            QCOMPARE(a.ok, *text != 0);
            if (a.ok)
                QCOMPARE(ondixclock::clockLogText(a.record), QString::fromLatin1(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
