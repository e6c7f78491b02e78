// The settings tab and the device clock through the window with its real event-loop waits,
// against ondix-sim across a private network.
#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "tests/support/simFixture.h"

class TestSettingsEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx_ {"set", 2, 9};

    // The address, mask, gateway, MAC and port boxes; shown() adds " DHCP" when ticked.
    QList<QLineEdit*> boxes() const
    {
        TfmPrincipal& w = *fx_.window;
        QList<QLineEdit*> e {w.IP_4, w.IP_3, w.IP_2, w.IP_1, w.M_IP_4, w.M_IP_3, w.M_IP_2, w.M_IP_1, w.GW_IP_4,
            w.GW_IP_3, w.GW_IP_2, w.GW_IP_1};
        return e << QList<QLineEdit*>(w.macAddr.begin(), w.macAddr.end()) << w.edPort;
    }
    QString shown() const
    {
        QStringList v;
        for (QLineEdit* e : boxes())
            v.append(e->text());
        return v.join(u' ') + (fx_.window->ckbDHCPOn->isChecked() ? " DHCP" : "");
    }

private slots:
    void initTestCase() { QVERIFY(fx_.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx_.reset(); }
    void cleanupTestCase() { fx_.net.down(); }

    // The simulator keeps answering at its start address, whatever it was given.
    void writeThenReadBack()
    {
        QVERIFY(fx_.deviceWindow());
        TfmPrincipal& w = *fx_.window;
        w.show();
        const QString readOk = QStringLiteral("Leitura dos parâmetros realizada com sucesso!");

        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {readOk});
        QCOMPARE(shown(), "10 231 9 10 255 255 255 0 10 231 9 1 00 1A 2B E7 09 0A 4998");

        const QString typed = QStringLiteral("10 231 9 10 255 255 0 0 10 231 9 254 00 1A 2B E7 09 0A 5000 DHCP");
        const QStringList v = typed.split(u' ');
        for (int i = 0; i < 19; ++i)
            boxes()[i]->setText(v[i]);
        w.ckbDHCPOn->setChecked(true);
        QTest::mouseClick(w.Button3, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {"IP's gravados com sucesso!"});
        QVERIFY2(fx_.received("45 4B 01 04 00 00 0A E7 09 0A FF FF 00 00 0A E7 09 FE 00 1A 2B E7 09 0A 01 88 13 4F 4E "
                              "44 58 30 30 30 30 30 30 30 30 30 30 30 31 15 00 01 FA 0A 00 00"),
            qPrintable(fx_.net.simLog()));

        for (QLineEdit* e : boxes())
            e->clear();
        w.ckbDHCPOn->setChecked(false);
        QTest::mouseClick(w.Button2, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {readOk});
        QCOMPARE(shown(), typed);
    }

    // getClock to the address typed in the boxes: sent to the network's broadcast address it
    // takes the first answer of any device there; sent to one device it counts only that
    // device's answer, even when another device's clock answer reaches the tool meanwhile.
    void clockFromTheBoxes()
    {
        const QJsonObject silent {
            {"faults", QJsonObject {{"0x0A", QJsonObject {{"kind", "noAnswer"}, {"times", -1}}}}}};
        // Broadcast: only the second answers; directed to the silent one: the other answers a
        // stray request.
        for (bool answered : {true, false}) {
            QVERIFY(fx_.startSim({silent, {}}));
            TfmPrincipal& w = fx_.networkWindow();
            setAddressBoxes(w, answered ? "10.231.9.255" : "10.231.9.10");
            // A clock answer of the second device that nobody in the window asked for.
            QUdpSocket stray;
            if (!answered)
                QTimer::singleShot(300, &stray, [&] {
                    stray.writeDatagram(
                        QByteArray::fromHex("454B010A9B000000"), QHostAddress(fx_.net.deviceAddress(1)), 4040);
                });
            QElapsedTimer elapsed;
            elapsed.start();
            w.getClock();
            const QStringList lines = w.logLines();
            if (answered) {
                QVERIFY2(elapsed.elapsed() < 3000, qPrintable(QString::number(elapsed.elapsed())));
                QVERIFY2(lines.size() == 2 && lines[0].startsWith("Date: ") && lines[1].startsWith("Time: "),
                    qPrintable(lines.join('|')));
            } else {
                QCOMPARE(lines, QStringList {"Sem resposta!"});
                QVERIFY2(fx_.net.simLog().contains(QStringLiteral("TX UDP %1 -> %2:4040 45 4B 01 0A 07 00")
                                                       .arg(fx_.net.deviceAddress(1), fx_.net.toolAddress())),
                    qPrintable(fx_.net.simLog()));
            }
            fx_.reset();
        }
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestSettingsEndToEnd)

#include "test_settings_e2e.moc"
