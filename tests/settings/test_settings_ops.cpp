// The settings read and write and the device clock in the window over the fake cable
// (virtual clock). Network answers are handed to the listener on a chosen poll; nothing
// leaves this host (requests go to 127.0.0.8 or 127.0.0.9, where nobody answers).
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "tests/support/windowOnFakeCable.h"

using namespace Qt::StringLiterals;

namespace {

const QString logBefore = QStringLiteral("linha anterior");
const QString shownBefore = QStringLiteral("127 0 0 8 / 255 0 0 0 / 127 0 0 1 / 01 02 03 04 05 06 / 0 / 4040");
// 192.168.0.50 / 255.255.255.0 / 192.168.0.1 / 00 1A 2B 3C 4D 5E, DHCP on, port bytes 86 13,
// "ONDX000000000001", version 21, RF flag 1.
const char* record = "454B01030000C0A80032FFFFFF00C0A80001001A2B3C4D5E0186134F4E445830303030303030303030303115000"
                     "1EA0B0000";
const char* example = "192 168 0 60 / 255 255 255 0 / 192 168 0 1 / 00 00 00 00 00 00 / 0 / 4998";
const char* boxes9 = "127 0 0 9 / 255 0 0 0 / 127 0 0 1 / 01 02 03 04 05 06 / 0 / 4040";

}  // namespace

class TestSettingsOps : public QObject, TWindowOnFakeCable {
    Q_OBJECT

    std::vector<QLineEdit*> edits() const
    {
        TfmPrincipal& w = *window;
        std::vector<QLineEdit*> e {w.IP_4, w.IP_3, w.IP_2, w.IP_1, w.M_IP_4, w.M_IP_3, w.M_IP_2, w.M_IP_1, w.GW_IP_4,
            w.GW_IP_3, w.GW_IP_2, w.GW_IP_1};
        e.insert(e.end(), w.macAddr.begin(), w.macAddr.end());
        e.push_back(w.edPort);
        return e;
    }
    // "a b c d / mask / gateway / MAC / DHCP 0|1 / port", blank-separated inside a group.
    void type(const QString& text)
    {
        QStringList v = text.split(QRegularExpression(" / | "));
        window->ckbDHCPOn->setChecked(v.takeAt(18) == u"1");
        const auto e = edits();
        for (size_t i = 0; i < e.size(); ++i)
            e[i]->setText(v.value(qsizetype(i)));
    }
    QString shown() const
    {
        QStringList v;
        for (QLineEdit* e : edits())
            v.append(e->text());
        v.insert(18, window->ckbDHCPOn->isChecked() ? "1" : "0");
        return QStringList {
            v.mid(0, 4).join(' '), v.mid(4, 4).join(' '), v.mid(8, 4).join(' '), v.mid(12, 6).join(' '), v[18], v[19]}
            .join(" / ");
    }

    void operation(const QString& op, const QString& setup, const char* answerHex, int poll, int sent,
        const QStringList& log, int polls, const QString& shown = {});

private slots:
    void init() { attachUnit(); }
    void cleanup() { detachUnit(); }

    void operations();
    void refusalFocusesTheBox();
};

// The window's part of a read and a write: the frame leaves (bytes and waits are the device
// API's; lines and restored controls under every fault, the fault matrix's), the tab and the
// button are disabled with a wait cursor meanwhile and restored after, the edits are filled.
// The clock set reads the time once and goes over the network without a cable.
// `answer` leaves on poll `poll` (cable or network); `polls`: how long the window waited.
// Setup: net (both links found; the clock goes to the boxes 127.0.0.9), unplugged, searched
// (a record was shown before the write: its MAC goes back).
void TestSettingsOps::operations()
{
    const QString readBack = "192 168 0 50 / 255 255 255 0 / 192 168 0 1 / 00 1A 2B 3C 4D 5E / 1 / 4998";
    operation("read", "", record, 1, 1, {"Leitura dos parâmetros realizada com sucesso!"}, 1, readBack);
    const char* ack = "454B010495000000";
    operation("write", "", ack, 1, 1, {"IP's gravados com sucesso!"}, 1);
    operation("write", "searched", ack, 1, 1, {"IP's gravados com sucesso!"}, 1);
    // the USB link closed: the time is not read; over the network no cable is needed
    operation("set", "unplugged", "", 0, 0, {logBefore}, 0);
    operation("set", "net unplugged", "454B010B9C000000", 200, 0, {logBefore, "CMD_OK"}, 200);
}

void TestSettingsOps::operation(const QString& op, const QString& setup, const char* answerHex, int poll, int sent,
    const QStringList& log, int polls, const QString& shown)
{
    cleanup();
    init();
    const QByteArray answer = QByteArray::fromHex(answerHex);
    const QStringList does = setup.split(u' ');
    const bool net = does.contains(u"net"), clock = op == u"set";
    if (!does.contains(u"unplugged"))
        fakehid::plug();
    window = makeTestWindow();
    TfmPrincipal& w = *window;
    w.usbDeviceFound = true;
    w.netDeviceFound = net;
    w.GroupBox1->setEnabled(true);
    w.GroupBox2->setEnabled(true);
    w.lbPN->setText("SN antes");
    int timeReads = 0;
    w.deviceClock.localTime = [&] { return ++timeReads, QDateTime(QDate(2026, 12, 5), QTime(8, 30, 15, 250)); };

    const QByteArray bytes = QByteArray::fromHex(record);
    if (does.contains(u"searched")) {
        w.foundDevices.push_back({});
        std::copy_n(bytes.constData(), 50, w.foundDevices[0].begin());
        w.upDateOndixData(0);
    }
    w.deviceIP = clock ? "127.0.0.8" : "127.0.0.9";
    const QString typed = op == u"write" ? example : clock ? boxes9 : shownBefore;
    type(typed);
    w.clearLog();
    w.logLine(logBefore);
    const QString status = w.lbStatusBar->text();

    if (!answer.isEmpty() && !net)
        fakehid::setResponder([answer, poll](const fakehid::Bytes&) {
            return std::vector<ondixsim::Output> {{10 * poll, fakehid::Bytes(answer.begin(), answer.end())}};
        });
    TFakeHidWaiter& waiter = fakeWaiter(w);
    QWidget* button = op == u"read" ? w.Button2 : w.Button3;
    bool busyDuringWait = false;
    waiter.atPoll(waiter.polls() + (net ? poll : 1), [&] {
        busyDuringWait = w.TabControl1->testAttribute(Qt::WA_ForceDisabled)
            && (clock || button->testAttribute(Qt::WA_ForceDisabled))
            && w.GroupBox1->cursor().shape() == Qt::WaitCursor;
        if (net && !answer.isEmpty())
            w.udpServerUDPRead(answer, QHostAddress("127.0.0.9"));
    });

    if (op == u"read")
        w.Button2Click();
    else if (op == u"write")
        w.Button3Click();
    else
        w.setClock();

    const auto frames = fakehid::writtenFrames();
    QCOMPARE(int(frames.size()), sent);
    if (does.contains(u"searched"))  // the MAC of the record shown goes back
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(frames[0].data()) + 18, 6), bytes.mid(18, 6));
    if (sent == 0 && !net)
        QVERIFY(device->requests().empty());
    QCOMPARE(w.logLines(), log);
    QCOMPARE(waiter.polls(), polls);
    QCOMPARE(this->shown(), shown.isEmpty() ? typed : shown);
    QCOMPARE(timeReads, op == u"set" && waiter.polls() > 0 ? 1 : 0);
    QVERIFY(busyDuringWait || waiter.polls() == 0);
    // Restored whatever happened; the device found, its labels and the status bar untouched.
    QVERIFY(w.TabControl1->isEnabled() && w.Button2->isEnabled() && w.Button3->isEnabled());
    for (QWidget* c : {(QWidget*)w.GroupBox1, (QWidget*)w.GroupBox2, (QWidget*)w.mmInfo, (QWidget*)w.Button3})
        QVERIFY(!c->testAttribute(Qt::WA_SetCursor));
    QCOMPARE((QStringList {w.deviceIP, w.lbPN->text(), w.lbStatusBar->text()}),
        (QStringList {
            clock ? "127.0.0.8" : "127.0.0.9", does.contains(u"searched") ? "ONDW000000000001" : "SN antes", status}));
}

// A refused number names its box as the user sees it and puts the focus there, the text
// selected, on the box's own tab, whichever tab the operation was started from.
void TestSettingsOps::refusalFocusesTheBox()
{
    // how the operation starts, the box, its text, what is said
    for (const auto& [op, box, text, said] :
        {std::tuple {u"write"_s, "M_IP_1", u"300"_s,
             u"Valor inválido em Mascara de IP, 4º campo: \"300\" (use um número de 0 a 255)."_s},
            {u"clock"_s, "IP_2", u"256"_s,
                u"Valor inválido em Endereço IP, 3º campo: \"256\" (use um número de 0 a 255)."_s},
            {u"send"_s, "edPort", QString(), u"Valor inválido em Porta TCP: \"\" (use um número de 0 a 65535)."_s}}) {
        cleanup();
        init();
        fakehid::plug();
        window = makeTestWindow();
        TfmPrincipal& w = *window;
        w.usbDeviceFound = true;
        w.netDeviceFound = op == u"clock" || op == u"send";
        w.deviceIP = "127.0.0.9";
        w.GroupBox1->setEnabled(true);
        w.bbSendComd->setEnabled(true);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        type(shownBefore);
        auto* edit = w.findChild<QLineEdit*>(box);
        QVERIFY(edit);
        edit->setText(text);
        w.clearLog();

        if (op == u"write") {
            w.TabControl1->setCurrentWidget(w.TabItem1);
            QTest::mouseClick(w.Button3, Qt::LeftButton);
        } else if (op == u"clock") {
            w.TabControl1->setCurrentWidget(w.TabItem5);
            w.mmInfo->setFocus();
            QTest::keyClicks(w.mmInfo, "getClock");
            QTest::keyClick(w.mmInfo, Qt::Key_Return);
        } else {
            w.TabControl1->setCurrentWidget(w.TabItem3);
            w.mmInfo->setPlainText("sendrf,1");
            QTest::mouseClick(w.bbSendComd, Qt::LeftButton);
        }

        if (op == u"send")
            QCOMPARE(TDialogs::shownMessages(), QStringList {said});
        else
            QVERIFY2(w.logLines().contains(said), qPrintable(w.logLines().join(u'|')));
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QVERIFY(w.TabControl1->currentWidget()->isAncestorOf(edit));
        QCOMPARE(edit->selectedText(), text);
        QVERIFY(fakehid::writtenFrames().empty());
    }
}

QTEST_MAIN(TestSettingsOps)
#include "test_settings_ops.moc"
