// RTS remotes through the window against ondix-sim across a private network. What the device
// holds is read back through the window.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "rts/remoteProgUnit.h"
#include "tests/support/simFixture.h"

class TestRtsEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx_ {"rts", 2, 8};

    // Forgets what the window showed, then reads the device's table again.
    static QStringList readBack(TfmPrincipal& w)
    {
        w.rtsTable.count = 0;
        w.parseRemotes(&w.rtsTable);
        w.bbRefreshRemotesClick();
        return gridRows(w.sgRTSCodes);
    }

private slots:
    void initTestCase() { QVERIFY(fx_.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx_.reset(); }
    void cleanupTestCase() { fx_.net.down(); }

    // The write goes to the address in the boxes (device 1), the read to the chosen device.
    void writeToAddressInBoxes()
    {
        const QJsonObject remote {{"type", 0}, {"rollingCode", 4660}, {"keyCode", 167}, {"remoteId", "0A-FF-00"}};
        QVERIFY(fx_.startSim({{{"rts", QJsonArray {remote}}}, {{"rts", QJsonArray {remote}}}}));
        TfmPrincipal& w = fx_.networkWindow(0, 1);
        w.bbRefreshRemotesClick();
        w.rtsTable.remotes[1] = w.rtsTable.remotes[0];
        w.rtsTable.remotes[1].remoteId = {1, 2, 3};
        w.rtsTable.remotes[1].reserved = 9;
        w.rtsTable.count = 2;
        w.setRTS_byNetWork(&w.rtsTable);
        QCOMPARE(w.logLines(), QStringList {"CMD_OK"});
        QVERIFY(fx_.received(
            "45 4B 01 09 14 00 02 00 00 00 00 00 34 12 A7 0A FF 00 09 00 34 12 A7 01 02 03 A2 03 00 00", 1));
        QCOMPARE(readBack(w), QStringList {"1 Somfy 167 4660 0A-FF-00"});  // device 0 untouched
        w.deviceIP = fx_.net.deviceAddress(1);
        QCOMPARE(readBack(w), (QStringList {"1 Somfy 167 4660 0A-FF-00", "2 Somfy 167 4660 01-02-03"}));
    }

    // A remote added through the dialog and driven, with the lines sent as "Enviar" sends
    // them: the grid shows what the device stores (one rolling code per line it transmits).
    void addAndDrive()
    {
        QVERIFY(fx_.deviceWindow());
        TfmPrincipal& w = *fx_.window;
        w.rts.randomByte = [] { return uint8_t(4); };

        w.bbAddTubeClick();
        QTest::mouseClick(fmRemoteProg->Button1, Qt::LeftButton);
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList {"1 Tube 1 1 04-04-04"});
        w.sgRTSCodes->setCurrentCell(0, 0);
        w.sgRTSCodesClick();
        QTest::mouseClick(w.SpeedButton3, Qt::LeftButton);
        QCOMPARE(w.lbStatusBar->text(), QStringLiteral("Comando enviado com sucesso!"));
        QTRY_COMPARE_WITH_TIMEOUT(
            fx_.deviceLines(), (QStringList {"sendrf_rc,3695,156,240,4,4,4", "sendrf_rc,3695,152,240,4,4,4"}), 3000);
        QCOMPARE(readBack(w), QStringList {"1 Tube 1 2 04-04-04"});
    }
};

ONDIX_NETWORK_TEST_MAIN(QApplication, TestRtsEndToEnd)

#include "test_rts_e2e.moc"
