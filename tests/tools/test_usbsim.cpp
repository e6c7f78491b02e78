// The demonstration build's emulated cable: configured from an ondix-sim file, it answers
// the window's real (event-loop) waits in real time.
#include <QtTest>
#include <QtWidgets>

#include "app/mainUnit.h"
#include "tools/fakehid/fakehid.h"
#include "tools/usbsim/usbSimulation.h"

class TestUsbSim : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QByteArray configFile(const QByteArray& json)
    {
        QFile file(dir.filePath(QStringLiteral("usb.json")));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(json);
        return file.fileName().toLocal8Bit();
    }

private slots:
    void configuredDeviceAnswersInRealTime()
    {
        qputenv(usbsim::configVariable, configFile(R"({"devices": [{"ip": "192.168.7.7", "firmware": 33}]})"));
        std::string error;
        QVERIFY2(usbsim::installFromEnvironment(error), error.c_str());
        TfmPrincipal window(nullptr, false);
        // Should the cable fail, the search that follows stays on loopback.
        window.localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
        QCOMPARE(window.lbStatusBar->text(), QStringLiteral("Ondix Conectada a USB!"));
        window.bbFindDeviceClick();
        QVERIFY(window.usbDeviceFound);
        QCOMPARE(QStringList({window.IP_4->text(), window.IP_1->text(), window.lbfwVersion->text()}),
            QStringList({"192", "7", "3.3"}));
        QVERIFY(window.genericUSB_CMD_CMD(0x02));
        QCOMPARE(window.logLines(), QStringList {"CMD OK"});
    }

    // A file the emulator refuses is named; without a file the default device is installed.
    void badConfigurationIsRefused()
    {
        qputenv(usbsim::configVariable, configFile(R"({"devices": [{"ip": "300.1.1.1"}]})"));
        std::string error;
        QVERIFY(!usbsim::installFromEnvironment(error));
        QVERIFY2(QString::fromStdString(error).contains(QStringLiteral("devices[0].ip")), error.c_str());
        qunsetenv(usbsim::configVariable);
        QVERIFY(usbsim::installFromEnvironment(error));
        fakehid::reset();
    }
};

QTEST_MAIN(TestUsbSim)
#include "test_usbsim.moc"
