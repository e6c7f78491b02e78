// Generated switch codes reach the device: a TC2 key line and a TL line double-clicked in
// their memos go out as "Enviar" sends them, to ondix-sim over TCP across a private network
// and to the emulated device on the fake cable (virtual clock).
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/testNetwork.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

// The key line of a one-key TC2 set drawn from the bytes 1, 2, 3, 4, 5, 6, and the TL line
// of the bytes A5 0F.
const QString tc2Line = QStringLiteral(
    "sendrf,1,20,1,40500,1650,4000,1650,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,1650,"
    "4000,4000,1650,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,4000,1650,4000,1650,1650,4000,1650,"
    "4000,1650,4000,1650,4000,1650,4000,1650,4000,1650,4000,4000,1650,4000,1650,1650,4000,1650,4000,1650,4000,1650,"
    "4000,1650,4000,1650,60000");
const QString tlLine = QStringLiteral(
    "sendrf,1,12,1,1700,49000,4800,1800,1800,4800,4800,1800,1800,4800,1800,4800,4800,1800,1800,4800,4800,1800,4800,"
    "1800,4800,1800,4800,1800,4800,1800,1800,4800,1800,4800,1800,4800,1800,4800,1800,4800,1800,4800,4800,1800,1800,"
    "4800,4800,1800,4800,1800,1800,4800,4800,1800");

void doubleClickLine(QPlainTextEdit* memo, int line)
{
    const QPoint at = memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(line))).center() + QPoint(2, 0);
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class TestCodeGenEndToEnd : public QObject {
    Q_OBJECT
    TTestNetwork net_ {QStringLiteral("cg%1").arg(QCoreApplication::applicationPid())};
    std::unique_ptr<TfmPrincipal> window_;
    std::unique_ptr<ondixsim::Device> cable_;

    // The window with the device found on the network (and typed in the boxes) or on the cable.
    TfmPrincipal* deviceWindow(bool network)
    {
        if (network) {
            if (!net_.startSim(QJsonObject {{"devices", QJsonArray {QJsonObject {{"ip", net_.deviceAddress(0)}}}}}))
                return nullptr;
            window_ = std::make_unique<TfmPrincipal>(nullptr, false);
            window_->netDeviceFound = true;
            window_->deviceIP = net_.deviceAddress(0);
            const QStringList octets = net_.deviceAddress(0).split(u'.');
            QLineEdit* const boxes[] = {window_->IP_4, window_->IP_3, window_->IP_2, window_->IP_1};
            for (int i = 0; i < 4; ++i)
                boxes[i]->setText(octets[i]);
            window_->edPort->setText("4998");
        } else {
            cable_ = std::make_unique<ondixsim::Device>();
            fakehid::reset();
            fakehid::plug();
            fakehid::attachDevice(*cable_);
            window_ = makeTestWindow();
            window_->localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
            window_->usbDeviceFound = true;
        }
        window_->bbSendComd->setEnabled(true);
        window_->show();
        return QTest::qWaitForWindowExposed(window_.get()) ? window_.get() : nullptr;
    }
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
    void initTestCase() { QVERIFY(net_.up(1, 15) && net_.enterToolNamespace()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup()
    {
        window_.reset(), net_.stopSim();
        fakehid::setResponder(nullptr), cable_.reset();
    }
    void cleanupTestCase() { net_.down(); }

    void generatedLinesReachTheDevice_data()
    {
        QTest::addColumn<bool>("network");
        QTest::newRow("network") << true;
        QTest::newRow("cable") << false;
    }
    void generatedLinesReachTheDevice()
    {
        QFETCH(bool, network);
        QVERIFY(deviceWindow(network));
        TfmPrincipal& w = *window_;

        const QList<uint8_t> tc2Bytes {1, 2, 3, 4, 5, 6};
        int drawn = 0;
        w.codeGen.randomByte = [&] { return tc2Bytes.at(drawn++ % 6); };
        w.TabControl1->setCurrentWidget(w.mmInfoCodeGen->parentWidget());
        w.rbTC2_1->setChecked(true);
        QTest::mouseClick(w.Button5, Qt::LeftButton);
        QCOMPARE(w.mmInfoCodeGen->document()->findBlockByNumber(3).text(), tc2Line);
        doubleClickLine(w.mmInfoCodeGen, 2);  // the comment above it: nothing is sent
        doubleClickLine(w.mmInfoCodeGen, 3);
        QCOMPARE(w.logLines(), QStringList {tc2Line});
        QCOMPARE(w.lbStatusBar->text(), QStringLiteral("Comando enviado com sucesso!"));

        const QList<uint8_t> tlBytes {0xA5, 0x0F};
        drawn = 0;
        w.codeGen.randomByte = [&] { return tlBytes.at(drawn++ % 2); };
        w.TabControl1->setCurrentWidget(w.mmInfoTLCodeGen->parentWidget());
        QTest::mouseClick(w.Button7, Qt::LeftButton);
        doubleClickLine(w.mmInfoTLCodeGen, 1);
        QCOMPARE(w.logLines(), QStringList {tlLine});

        QTRY_COMPARE_WITH_TIMEOUT(deviceLines(network), (QStringList {tc2Line, tlLine}), 3000);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestCodeGenEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_codegen_e2e.moc"
