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
    // A file the emulator refuses is named; the device of a good file then answers the window's
    // waits. The default device, and the cable answering the command line, are checked in the
    // command line's end-to-end suite.
    void configuredDeviceAnswersInRealTime()
    {
        std::string error;
        qputenv(usbsim::configVariable, configFile(R"({"devices": [{"ip": "300.1.1.1"}]})"));
        QVERIFY(!usbsim::installFromEnvironment(error));
        QVERIFY2(QString::fromStdString(error).contains(QStringLiteral("devices[0].ip")), error.c_str());
        qputenv(usbsim::configVariable, configFile(R"({"devices": [{"ip": "192.168.7.7", "firmware": 33}]})"));
        QVERIFY2(usbsim::installFromEnvironment(error), error.c_str());
        TfmPrincipal window(nullptr, false);
        // Should the cable fail, the search that follows stays on loopback.
        window.localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
        window.bbFindDeviceClick();
        QVERIFY(window.usbDeviceFound);
        QCOMPARE(QStringList({window.IP_4->text(), window.IP_1->text(), window.lbfwVersion->text()}),
            QStringList({"192", "7", "3.3"}));
        fakehid::reset();
    }
};

QTEST_MAIN(TestUsbSim)
#include "test_usbsim.moc"
