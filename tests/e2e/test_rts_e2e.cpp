// The RTS remote table against ondix-sim across a private network: the window in the tool
// namespace with its real event-loop waits, the emulated devices in the device namespace.
// What the device holds is seen by reading it back through the window.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/testNetwork.h"

namespace {

QJsonObject remote(int type, int rolling, int key, const char* id, int reserved = 0)
{
    return {{"type", type}, {"rollingCode", rolling}, {"keyCode", key}, {"remoteId", id}, {"reserved", reserved}};
}

// reserved 1, Somfy, rolling 16, key 5, 01-02-03 / Tube (type 5), rolling 32, key 6, 04-05-06 /
// Somfy, rolling 4660, key 167, 0A-FF-00
const QJsonObject remoteA = remote(0, 16, 5, "01-02-03", 1);
const QJsonObject remoteB = remote(5, 32, 6, "04-05-06");
const QJsonObject remoteC = remote(0, 4660, 167, "0A-FF-00");

QStringList gridRows(const QTableWidget* grid)
{
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(u' ');
    }
    return rows;
}

}  // namespace

class TestRtsEndToEnd : public QObject {
    Q_OBJECT
    TTestNetwork net_{QStringLiteral("rts%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<TfmPrincipal> window_;

    // One emulated device per entry, at deviceAddress(0), (1)...
    bool startSim(const QList<QJsonObject>& devices)
    {
        QJsonArray list;
        for (QJsonObject d : devices)
            d.insert("ip", net_.deviceAddress(int(list.size()))), list.append(d);
        return net_.startSim(QJsonObject{{"devices", list}});
    }
    // The window as a search leaves it with device `chosen` found on the network, and the
    // address of device `typed` in the boxes.
    TfmPrincipal& window(int chosen = 0, int typed = 0)
    {
        window_ = std::make_unique<TfmPrincipal>(nullptr, false);
        window_->netDeviceFound = true;
        window_->deviceIP = net_.deviceAddress(chosen);
        window_->pnControlesRTS->setEnabled(true);
        const QStringList octets = net_.deviceAddress(typed).split(u'.');
        QLineEdit* const boxes[] = {window_->IP_4, window_->IP_3, window_->IP_2, window_->IP_1};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setText(octets.value(i));
        return *window_;
    }
    // Forgets what the window showed, then reads the device's table again.
    QStringList readBack(TfmPrincipal& w)
    {
        w.rtsTable.count = 0;
        w.parseRemotes(&w.rtsTable);
        w.bbRefreshRemotesClick();
        return gridRows(w.sgRTSCodes);
    }
    QString received(int device, const char* hex) const
    {
        return QStringLiteral("RX UDP %1 <- %2:4040 %3").arg(net_.deviceAddress(device), net_.toolAddress(), hex);
    }

private slots:
    void initTestCase() { QVERIFY(net_.up(2, 8) && net_.enterToolNamespace()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { window_.reset(), net_.stopSim(); }
    void cleanupTestCase() { net_.down(); }

    void readIntoGrid()
    {
        QVERIFY(startSim({{{"rts", QJsonArray{remoteA, remoteB, remoteC}}}}));
        TfmPrincipal& w = window();
        w.logLine(QStringLiteral("antes"));
        w.bbRefreshRemotesClick();
        QCOMPARE(gridRows(w.sgRTSCodes),
                 (QStringList{"1 Somfy 5 16 01-02-03", "2 Tube 6 32 04-05-06", "3 Somfy 167 4660 0A-FF-00"}));
        QCOMPARE(w.logLines(), QStringList{"antes"});
        QVERIFY(net_.simLog().contains(received(0, "45 4B 01 08 99 00 00 00")));
    }

    // The write goes to the address in the boxes (device 1), the read to the chosen device.
    void writeToAddressInBoxes()
    {
        QVERIFY(startSim({{{"rts", QJsonArray{remoteC}}}, {{"rts", QJsonArray{remoteC}}}}));
        TfmPrincipal& w = window(0, 1);
        w.bbRefreshRemotesClick();
        w.rtsTable.remotes[1] = w.rtsTable.remotes[0];
        w.rtsTable.remotes[1].remoteId = {1, 2, 3};
        w.rtsTable.remotes[1].reserved = 9;
        w.rtsTable.count = 2;
        w.setRTS_byNetWork(&w.rtsTable);
        QCOMPARE(w.logLines(), QStringList{"CMD_OK"});
        QVERIFY(net_.simLog().contains(received(1, "45 4B 01 09 14 00 02 00 00 00 00 00 34 12 A7 0A FF 00 "
                                                   "09 00 34 12 A7 01 02 03 A2 03 00 00")));
        QCOMPARE(readBack(w), QStringList{"1 Somfy 167 4660 0A-FF-00"});  // device 0 untouched
        w.deviceIP = net_.deviceAddress(1);
        QCOMPARE(readBack(w), (QStringList{"1 Somfy 167 4660 0A-FF-00", "2 Somfy 167 4660 01-02-03"}));
    }

    void deleteFollowedByDevice_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("middle") << 1 << QStringList{"1 Somfy 5 16 01-02-03", "2 Somfy 167 4660 0A-FF-00"};
        QTest::newRow("last") << 2 << QStringList{"1 Somfy 5 16 01-02-03", "2 Tube 6 32 04-05-06"};
    }
    void deleteFollowedByDevice()
    {
        QFETCH(int, row);
        QVERIFY(startSim({{{"rts", QJsonArray{remoteA, remoteB, remoteC}}}}));
        TfmPrincipal& w = window();
        w.bbRefreshRemotesClick();
        w.sgRTSCodes->setCurrentCell(row, 0);
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QCOMPARE(TDialogs::shownMessages(), QStringList{"Tem certeza que deseja apagar controle ?"});
        QCOMPARE(w.logLines(), QStringList{"CMD_OK"});
        QTEST(gridRows(w.sgRTSCodes), "left");
        QTEST(readBack(w), "left");
    }

    void deleteTheOnlyRemote()
    {
        QVERIFY(startSim({{{"rts", QJsonArray{remoteC}}}}));
        TfmPrincipal& w = window();
        w.bbRefreshRemotesClick();
        w.rtsSelectedRow = 0;
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QVERIFY(net_.simLog().contains(received(0, "45 4B 01 09 04 00 00 00 00 00 9E 00 00 00")));
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList{});
        QCOMPARE(readBack(w), QStringList{});
    }

    // A device that keeps a table the window cannot hold, and one that never acknowledges a
    // write (1 ms polls: the 1000-poll wait takes about a second).
    void refusals()
    {
        QVERIFY(startSim({{{"rts", QJsonArray{remoteC}}, {"rtsCount", 101}},
                          {{"rts", QJsonArray{remoteC}}, {"faults", QJsonObject{{"0x09", QJsonObject{{"kind", "noAnswer"}}}}}}}));
        TfmPrincipal& w = window(0, 1);
        w.bbRefreshRemotesClick();
        QCOMPARE(w.logLines(), QStringList{"Falha na leitura dos parâmetros!"});
        QCOMPARE(w.sgRTSCodes->rowCount(), 0);

        w.exchange.setWaiter(std::make_unique<TEventLoopWaiter>(1));
        QElapsedTimer elapsed;
        elapsed.start();
        w.setRTS_byNetWork(&w.rtsTable);
        QVERIFY2(elapsed.elapsed() >= 1000 && elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(w.logLines(), QStringList{"Sem resposta!"});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestRtsEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_rts_e2e.moc"
