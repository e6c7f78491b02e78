// The console through the real window and its real event-loop waits: command lines over
// TCP and the MAC write against ondix-sim across a private network, and the cable cases
// (the CR LF line, the flash dump, the firmware trigger) against the emulated device on
// the fake cable in real time.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

class TestConsoleEndToEnd : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("cons%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<TfmPrincipal> window_;
    std::unique_ptr<ondixsim::Device> cable_;

    // The window as a search leaves it with the device at deviceAddress(0) chosen.
    // Null when the emulator did not start.
    TfmPrincipal* networkWindow(const QJsonObject& extra = {})
    {
        QJsonObject d = extra;
        d.insert("ip", net_.deviceAddress(0));
        if (!net_.startSim(QJsonObject {{"devices", QJsonArray {d}}}))
            return nullptr;
        window_ = std::make_unique<TfmPrincipal>(nullptr, false);
        TfmPrincipal& w = *window_;
        w.netDeviceFound = true;
        w.deviceIP = net_.deviceAddress(0);
        const QStringList octets = net_.deviceAddress(0).split(u'.');
        QLineEdit* const boxes[] = {w.IP_4, w.IP_3, w.IP_2, w.IP_1};
        for (int i = 0; i < 4; ++i)
            boxes[i]->setText(octets[i]);
        w.edPort->setText("4998");
        w.GroupBox1->setEnabled(true), w.bbSendComd->setEnabled(true);
        return &w;
    }
    // The window with the emulated device on the cable (its clock following the real one).
    TfmPrincipal& cableWindow()
    {
        ondixsim::DeviceConfig config;
        config.flashImage = ondixsim::Bytes {0x00, 0x1F, 0xFF};
        cable_ = std::make_unique<ondixsim::Device>(config);
        fakehid::reset();
        fakehid::setRealTime(true);
        fakehid::plug();
        fakehid::attachDevice(*cable_);
        window_ = std::make_unique<TfmPrincipal>(nullptr, false);
        window_->usbDeviceFound = true;
        window_->bbSendComd->setEnabled(true);
        return *window_;
    }
    static void type(TfmPrincipal& w, const QString& line)
    {
        w.mmInfo->clear();
        w.mmInfo->setFocus();
        QTest::keyClicks(w.mmInfo, line);
        QTest::keyClick(w.mmInfo, Qt::Key_Return);
    }

private slots:
    void initTestCase() { QVERIFY(net_.up(1, 11) && net_.enterToolNamespace()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup()
    {
        window_.reset(), net_.stopSim();
        fakehid::setResponder(nullptr), cable_.reset();
    }
    void cleanupTestCase() { net_.down(); }

    // `answer`: the device answers typed lines; otherwise the window waits out 400 polls of
    // 9 ms (at least 3.6 s) and the status keeps the waiting text.
    void lineOverTcp_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("status");
        QTest::newRow("device answers") << true << "Comando enviado com sucesso!";
        QTest::newRow("device silent") << false << "TCP Status: Aguardando Conexão...";
    }
    void lineOverTcp()
    {
        QFETCH(bool, answer);
        TfmPrincipal* const device =
            networkWindow(answer ? QJsonObject {} : QJsonObject {{"tcpAnswer", QJsonValue::Null}});
        QVERIFY(device);
        TfmPrincipal& w = *device;
        w.mmInfo->setPlainText("sendrf,2,5,1,300,900");
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::mouseClick(w.bbSendComd, Qt::LeftButton);
        const qint64 ms = elapsed.elapsed();
        QTEST(w.lbStatusBar->text(), "status");
        QVERIFY2(answer ? ms < 3000 : ms >= 3600 && ms < 8000, qPrintable(QString::number(ms)));
        QTRY_VERIFY_WITH_TIMEOUT(
            net_.simLog().contains(QStringLiteral("LINE %1 sendrf,2,5,1,300,900").arg(net_.deviceAddress(0))), 3000);
        QCOMPARE(net_.simLog().contains("NOANSWER TCP"), !answer);
        QTRY_VERIFY_WITH_TIMEOUT(net_.simLog().contains(" closed"), 3000);  // the window closed its end
        QVERIFY(TDialogs::shownMessages().isEmpty());
    }

    void macWriteOverNetwork()
    {
        TfmPrincipal* const device = networkWindow();
        QVERIFY(device);
        TfmPrincipal& w = *device;
        type(w, "vilaverdebom4827");
        const QStringList mac {"02", "1a", "FF", "3", "2c", "fe"};
        for (int i = 0; i < 6; ++i)
            w.macAddr[size_t(i)]->setText(mac[i]);
        QTest::mouseClick(w.bbGravaMacAddr, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {"MAC Addr gravado com sucesso!"});
        QVERIFY(net_.simLog().contains(QStringLiteral("RX UDP %1 <- %2:4040 45 4B 01 05 00 00 02 1A FF 03 2C FE")
                                           .arg(net_.deviceAddress(0), net_.toolAddress())));
    }

    void lineOverCable()
    {
        TfmPrincipal& w = cableWindow();
        w.mmInfo->setPlainText("sendir,1:8,1,37900");
        QTest::mouseClick(w.bbSendComd, Qt::LeftButton);
        QCOMPARE(w.lbStatusBar->text(), QStringLiteral("Comando enviado com sucesso!"));
        QCOMPARE(cable_->commandLines(), std::vector<std::string> {"sendir,1:8,1,37900"});
        const auto frames = fakehid::writtenFrames();
        QCOMPARE(frames.size(), size_t(1));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(frames[0].data()), qsizetype(frames[0].size())),
            QByteArray("sendir,1:8,1,37900\r\n"));
    }

    void flashDumpOverCable()
    {
        TfmPrincipal& w = cableWindow();
        type(w, "memoryTest");
        QVERIFY(w.TabControl1->isTabVisible(w.TabControl1->indexOf(w.TabItem6)));
        w.edAddr->setText("1");
        w.edQtd->setText("4");
        QTest::mouseClick(w.Button12, Qt::LeftButton);
        QCOMPARE(w.logLines(), (QStringList {"Lendo memória, aguarde...", "[1F][FF][FF][FF]"}));
    }

    void firmwareTriggerOverCable()
    {
        TfmPrincipal& w = cableWindow();
        type(w, "atualizarfirmware");
        QCOMPARE(cable_->firmwareTriggers(), 1);
        QCOMPARE(w.logLines().value(0), QStringLiteral("CMD OK"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestConsoleEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_console_e2e.moc"
