// The RTS remote table against ondix-sim across a private network: the window in the tool
// namespace with its real event-loop waits, the emulated devices in the device namespace.
// What the device holds is seen by reading it back through the window. Adding, driving and
// deleting remotes also runs against the emulated device on the fake cable (virtual clock),
// with the lines sent as "Enviar" sends them.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "rts/remoteProgUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

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
    TTestNetwork net_ {QStringLiteral("rts%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<TfmPrincipal> window_;

    // One emulated device per entry, at deviceAddress(0), (1)...
    bool startSim(const QList<QJsonObject>& devices)
    {
        QJsonArray list;
        for (QJsonObject d : devices)
            d.insert("ip", net_.deviceAddress(int(list.size()))), list.append(d);
        return net_.startSim(QJsonObject {{"devices", list}});
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

    std::unique_ptr<ondixsim::Device> cable_;

    // The window with a device without remotes found on the network (device 0, also typed
    // in the boxes, "Enviar" over TCP) or on the cable (virtual clock, "Enviar" over USB).
    TfmPrincipal* deviceWindow(bool network)
    {
        if (network) {
            if (!startSim(QList<QJsonObject> {QJsonObject {}}))
                return nullptr;
            window();
            window_->edPort->setText("4998");
        } else {
            cable_ = std::make_unique<ondixsim::Device>();
            fakehid::reset();
            fakehid::plug();
            fakehid::attachDevice(*cable_);
            window_ = makeTestWindow();
            window_->localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
            window_->usbDeviceFound = true;
            window_->pnControlesRTS->setEnabled(true);
        }
        window_->bbSendComd->setEnabled(true);
        return window_.get();
    }
    // The typed lines the device took, in order.
    QStringList deviceLines(bool network) const
    {
        QStringList lines;
        if (!network) {
            for (const std::string& line : cable_->commandLines())
                lines << QString::fromStdString(line);
            return lines;
        }
        const QString tag = QStringLiteral(" LINE %1 ").arg(net_.deviceAddress(0));
        for (const QString& entry : net_.simLog().split(u'\n'))
            if (entry.contains(tag))
                lines << entry.section(tag, 1);
        return lines;
    }

private slots:
    void initTestCase() { QVERIFY(net_.up(2, 8) && net_.enterToolNamespace()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup()
    {
        window_.reset(), net_.stopSim();
        fakehid::setResponder(nullptr), cable_.reset();
    }
    void cleanupTestCase() { net_.down(); }

    void readIntoGrid()
    {
        QVERIFY(startSim({{{"rts", QJsonArray {remoteA, remoteB, remoteC}}}}));
        TfmPrincipal& w = window();
        w.logLine(QStringLiteral("antes"));
        w.bbRefreshRemotesClick();
        QCOMPARE(gridRows(w.sgRTSCodes),
            (QStringList {"1 Somfy 5 16 01-02-03", "2 Tube 6 32 04-05-06", "3 Somfy 167 4660 0A-FF-00"}));
        QCOMPARE(w.logLines(), QStringList {"antes"});
        QVERIFY(net_.simLog().contains(received(0, "45 4B 01 08 99 00 00 00")));
    }

    // The write goes to the address in the boxes (device 1), the read to the chosen device.
    void writeToAddressInBoxes()
    {
        QVERIFY(startSim({{{"rts", QJsonArray {remoteC}}}, {{"rts", QJsonArray {remoteC}}}}));
        TfmPrincipal& w = window(0, 1);
        w.bbRefreshRemotesClick();
        w.rtsTable.remotes[1] = w.rtsTable.remotes[0];
        w.rtsTable.remotes[1].remoteId = {1, 2, 3};
        w.rtsTable.remotes[1].reserved = 9;
        w.rtsTable.count = 2;
        w.setRTS_byNetWork(&w.rtsTable);
        QCOMPARE(w.logLines(), QStringList {"CMD_OK"});
        QVERIFY(net_.simLog().contains(received(1,
            "45 4B 01 09 14 00 02 00 00 00 00 00 34 12 A7 0A FF 00 "
            "09 00 34 12 A7 01 02 03 A2 03 00 00")));
        QCOMPARE(readBack(w), QStringList {"1 Somfy 167 4660 0A-FF-00"});  // device 0 untouched
        w.deviceIP = net_.deviceAddress(1);
        QCOMPARE(readBack(w), (QStringList {"1 Somfy 167 4660 0A-FF-00", "2 Somfy 167 4660 01-02-03"}));
    }

    void deleteFollowedByDevice_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("middle") << 1 << QStringList {"1 Somfy 5 16 01-02-03", "2 Somfy 167 4660 0A-FF-00"};
        QTest::newRow("last") << 2 << QStringList {"1 Somfy 5 16 01-02-03", "2 Tube 6 32 04-05-06"};
    }
    void deleteFollowedByDevice()
    {
        QFETCH(int, row);
        QVERIFY(startSim({{{"rts", QJsonArray {remoteA, remoteB, remoteC}}}}));
        TfmPrincipal& w = window();
        w.bbRefreshRemotesClick();
        w.sgRTSCodes->setCurrentCell(row, 0);
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QCOMPARE(TDialogs::shownMessages(), QStringList {"Tem certeza que deseja apagar controle ?"});
        QCOMPARE(w.logLines(), QStringList {"CMD_OK"});
        QTEST(gridRows(w.sgRTSCodes), "left");
        QTEST(readBack(w), "left");
    }

    void deleteTheOnlyRemote()
    {
        QVERIFY(startSim({{{"rts", QJsonArray {remoteC}}}}));
        TfmPrincipal& w = window();
        w.bbRefreshRemotesClick();
        w.rtsSelectedRow = 0;
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QVERIFY(net_.simLog().contains(received(0, "45 4B 01 09 04 00 00 00 00 00 9E 00 00 00")));
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList {});
        QCOMPARE(readBack(w), QStringList {});
    }

    // Two remotes added through the dialog, the second driven, the first deleted: the grid
    // shows what the device stores after each step (the device uses up one rolling code per
    // line it transmits for a remote).
    void addDriveDelete_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("network") << true;
        QTest::newRow("cable") << false;
    }
    void addDriveDelete()
    {
        QFETCH(bool, network);
        QVERIFY(deviceWindow(network));
        TfmPrincipal& w = *window_;
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
        QTRY_COMPARE_WITH_TIMEOUT(deviceLines(network),
            (QStringList {"sendrf_rc,3767,160,128,1,2,3", "sendrf_rc,3695,156,240,4,5,6",
                "sendrf_rc,3695,150,240,4,5,6", "sendrf_rc,3695,149,240,4,5,6", "sendrf_rc,3695,152,240,4,5,6"}),
            3000);
        QCOMPARE(readBack(w), (QStringList {"1 Somfy 1 1 01-02-03", "2 Tube 2 4 04-05-06"}));

        w.sgRTSCodes->setCurrentCell(0, 0);
        TDialogs::setNextAnswer(true);
        w.bbDeleteRemoteClick();
        QCOMPARE(w.logLines(), QStringList {network ? "CMD_OK" : "CMD OK"});
        QCOMPARE(gridRows(w.sgRTSCodes), QStringList {"1 Tube 2 4 04-05-06"});
        QCOMPARE(readBack(w), QStringList {"1 Tube 2 4 04-05-06"});
    }

    // A device that keeps a table the window cannot hold, and one that never acknowledges a
    // write (1 ms polls: the 1000-poll wait takes about a second).
    void refusals()
    {
        QVERIFY(startSim({{{"rts", QJsonArray {remoteC}}, {"rtsCount", 101}},
            {{"rts", QJsonArray {remoteC}}, {"faults", QJsonObject {{"0x09", QJsonObject {{"kind", "noAnswer"}}}}}}}));
        TfmPrincipal& w = window(0, 1);
        w.bbRefreshRemotesClick();
        QCOMPARE(w.logLines(), QStringList {"Falha na leitura dos parâmetros!"});
        QCOMPARE(w.sgRTSCodes->rowCount(), 0);

        w.exchange.setWaiter(std::make_unique<TEventLoopWaiter>(1));
        QElapsedTimer elapsed;
        elapsed.start();
        w.setRTS_byNetWork(&w.rtsTable);
        QVERIFY2(elapsed.elapsed() >= 1000 && elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(w.logLines(), QStringList {"Sem resposta!"});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestRtsEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_rts_e2e.moc"
