// RTS remotes through the window against ondix-sim across a private network: the table
// written to the address in the boxes, and remotes added, driven and deleted with the lines
// sent as "Enviar" sends them over TCP. What the device holds is read back through the window.
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

    // Two remotes added through the dialog, the second driven, the first deleted: the grid
    // shows what the device stores after each step (the device uses up one rolling code per
    // line it transmits for a remote).
    void addDriveDelete()
    {
        QVERIFY(fx_.deviceWindow());
        TfmPrincipal& w = *fx_.window;
        int drawn = 0;
        w.rts.randomByte = [&drawn] { return uint8_t(++drawn); };  // 01-02-03, then 04-05-06

        w.bbAddSomfyClick();
        QVERIFY(fmRemoteProg->isVisible());
        QTest::mouseClick(fmRemoteProg->Button1, Qt::LeftButton);
        QVERIFY(!fmRemoteProg->isVisible());
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList {"1 Somfy 1 1 01-02-03"});
        w.bbAddTubeClick();
        QTest::mouseClick(fmRemoteProg->Button1, Qt::LeftButton);
        QCOMPARE(gridRows(w.sgRTSCodes), (QStringList {"1 Somfy 1 1 01-02-03", "2 Tube 2 1 04-05-06"}));

        w.sgRTSCodes->setCurrentCell(1, 0);
        w.sgRTSCodesClick();
        for (QToolButton* b : {w.SpeedButton1, w.SpeedButton2, w.SpeedButton3})
            QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(w.lbStatusBar->text(), QStringLiteral("Comando enviado com sucesso!"));
        QTRY_COMPARE_WITH_TIMEOUT(fx_.deviceLines(),
            (QStringList {"sendrf_rc,3767,160,128,1,2,3", "sendrf_rc,3695,156,240,4,5,6",
                "sendrf_rc,3695,150,240,4,5,6", "sendrf_rc,3695,149,240,4,5,6", "sendrf_rc,3695,152,240,4,5,6"}),
            3000);
        QCOMPARE(readBack(w), (QStringList {"1 Somfy 1 1 01-02-03", "2 Tube 2 4 04-05-06"}));

        w.sgRTSCodes->setCurrentCell(0, 0);
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QCOMPARE(TDialogs::shownMessages(), QStringList {"Tem certeza que deseja apagar controle ?"});
        QCOMPARE(w.logLines(), QStringList {"CMD_OK"});
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList {"1 Tube 2 4 04-05-06"});
        QCOMPARE(readBack(w), QStringList {"1 Tube 2 4 04-05-06"});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestRtsEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_rts_e2e.moc"
