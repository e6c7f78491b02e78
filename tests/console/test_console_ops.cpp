// The console in the window: keywords typed into the log and confirmed with Enter (the
// firmware trigger and the flash tab among them), "Enviar" over TCP to a server of the
// test's own on 127.0.0.1, and the MAC write. Nothing leaves this host. Every operation's
// lines and restored controls under each fault: test_fault_matrix.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>
#include <QtTest>

#include "console/consoleCommands.h"
#include "tests/support/windowOnFakeCable.h"

using namespace Qt::StringLiterals;

class TestConsoleOps : public QObject, TWindowOnFakeCable {
    Q_OBJECT
    QStringList hookCalls;

    void build()
    {
        fakehid::plug();
        window = makeTestWindow();
        window->localAddressSource = [] { return QList<QHostAddress> {}; };
        window->usbDeviceFound = true;
        window->GroupBox1->setEnabled(true);
        window->bbSendComd->setEnabled(true);
        window->deviceIP.clear();
        window->logLine("linha anterior");  // cleared by a MAC write that succeeds
        TConsoleControls& hooks = window->consoleControls();
        const auto hook = [this](const char* name) {
            return [this, name](TLinkKind link) {
                hookCalls.append(QStringLiteral("%1 %2").arg(name, link == TLinkKind::Network ? "net" : "usb"));
            };
        };
        hooks.getClock = hook("getClock");
        hooks.setClock = hook("setClock");
        fakehid::clearLogs();
    }
    void checkRestored()
    {
        QVERIFY(window->bbSendComd->isEnabled() && window->TabControl1->isEnabled() && !window->exchange.busy());
    }

private slots:
    void init()
    {
        hookCalls.clear();
        attachUnit();
    }
    void cleanup() { detachUnit(); }

    void keywords();
    void macBoxesStayEnabledAfterSearches();
    void sendOverTcp();
    void macWrite();
};

// `memo`: the log's text, the caret at the end of its first line; `links`: the devices
// found ("usb", "net", both or none). `log` is the memo after Enter; `effect`: the hook
// called with its link, "frame" (one frame to the cable), "mac" (the MAC boxes and their
// button usable) or "flash tab".
void TestConsoleOps::keywords()
{
    const QStringList help = ondixconsole::helpLines();
    for (const auto& [memo, links, log, effect] :
        {std::tuple {"help", u"usb"_s, QStringList {"help"} + help + QStringList {""}, QString()},
            {"help\nsendrf,1", "usb", QStringList {"help", "", "sendrf,1"} + help, ""},  // caret on an earlier line
            {"vilaverdebom4827", "", {"vilaverdebom4827", ""}, "mac"},  // the access code
            {"memoryTest", "", {"memoryTest", ""}, "flash tab"}, {"atualizarfirmware", "usb", {"CMD OK", ""}, "frame"},
            {"atualizarfirmware", "net", {"atualizarfirmware", ""}, ""},  // network only
            {"getClock", "usb net", {"getClock", ""}, "getClock net"},
            {"setClock", "usb", {"setClock", ""}, "setClock usb"}}) {
        cleanup();
        init();
        build();
        window->usbDeviceFound = links.contains("usb");
        window->netDeviceFound = links.contains("net");
        window->mmInfo->setPlainText(memo);
        QTextCursor cursor(window->mmInfo->document()->firstBlock());
        cursor.movePosition(QTextCursor::EndOfBlock);
        window->mmInfo->setTextCursor(cursor);

        QTest::keyClick(window->mmInfo, Qt::Key_Return);

        QCOMPARE(window->logLines(), log);
        const bool hookRow = effect.startsWith("get") || effect.startsWith("set");
        QCOMPARE(hookCalls, hookRow ? QStringList {effect} : QStringList {});
        QCOMPARE(int(fakehid::writtenFrames().size()), effect == "frame" ? 1 : 0);
        for (QLineEdit* box : window->macAddr)
            QCOMPARE(box->isEnabled(), effect == "mac");
        QCOMPARE(!window->bbGravaMacAddr->isHidden(), effect == "mac");
        const int flashTab = window->TabControl1->indexOf(window->TabItem6);
        QCOMPARE(window->TabControl1->isTabVisible(flashTab), effect == "flash tab");
        QCOMPARE(window->TabControl1->isTabEnabled(flashTab), effect == "flash tab");
        QVERIFY(window->bbSendComd->isEnabled());
    }
}

// Once shown, the MAC boxes stay: a search that finds nothing disables the group around
// them, not the boxes, and the next that finds the device makes them usable again.
void TestConsoleOps::macBoxesStayEnabledAfterSearches()
{
    build();
    window->mmInfo->setPlainText("vilaverdebom4827");
    window->mmInfo->moveCursor(QTextCursor::End);
    QTest::keyClick(window->mmInfo, Qt::Key_Return);
    fakehid::setFault({fakehid::UsbFault::NoAnswer, 0, 0, 1});
    window->bbFindDeviceClick();
    QVERIFY(!window->GroupBox1->isEnabled());
    window->bbFindDeviceClick();
    QVERIFY(window->usbDeviceFound);
    for (QLineEdit* box : window->macAddr)
        QVERIFY(box->isEnabled());
    QVERIFY(!window->bbGravaMacAddr->isHidden());
}

// "Enviar" over TCP to a device that takes the line and never answers: 400 polls after the
// connection, then it is closed; with nothing listening, an error box. (A device that
// answers: test_fault_matrix.)
void TestConsoleOps::sendOverTcp()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    QByteArray received;
    QTcpSocket* peer = nullptr;
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        peer = server.nextPendingConnection();
        connect(peer, &QTcpSocket::readyRead, peer, [&] { received += peer->readAll(); });
    });
    build();
    window->netDeviceFound = true;
    setAddressBoxes(*window, "127.0.0.1");
    window->edPort->setText(QString::number(port));
    window->mmInfo->setPlainText("getx");
    int connectPolls = -1;  // the poll during which the connection was made
    connect(
        window->tcpClient, &QTcpSocket::connected, window.get(), [&] { connectPolls = fakeWaiter(*window).polls(); });

    window->bbSendComdClick();

    QTRY_COMPARE(received, QByteArray("getx"));
    QCOMPARE(fakeWaiter(*window).polls() - connectPolls, 400);
    QVERIFY(TDialogs::shownMessages().isEmpty());
    QTRY_VERIFY(window->tcpClient->state() == QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    checkRestored();

    server.close();  // the port is free now: nothing listens there
    window->bbSendComdClick();
    QCOMPARE(window->lbStatusBar->text(), "TCP Status: Falha na conexão");
    QCOMPARE(TDialogs::shownMessages(),
        QStringList {QStringLiteral("Não foi possível conectar a 127.0.0.1:%1: conexão recusada (nada atende nessa "
                                    "porta)")
                         .arg(port)});
    QCOMPARE(TDialogs::shownKinds(), QStringList {"error"});
    QVERIFY(window->tcpClient->state() == QAbstractSocket::UnconnectedState);
    checkRestored();
}

// "Gravar MAC": the button and the tab disabled while the device is asked, restored after;
// the log cleared on success only. (Its lines under every fault: test_fault_matrix.)
void TestConsoleOps::macWrite()
{
    build();
    for (QLineEdit* box : window->macAddr)
        box->setText("1A");
    bool busy = false;
    fakeWaiter(*window).atPoll(1, [&] {
        busy = window->bbGravaMacAddr->testAttribute(Qt::WA_ForceDisabled) && !window->TabControl1->isEnabled()
            && window->GroupBox1->cursor().shape() == Qt::WaitCursor;
    });

    window->bbGravaMacAddrClick();

    QVERIFY(busy);
    QCOMPARE(int(fakehid::writtenFrames().size()), 1);
    QCOMPARE(window->logLines(), QStringList {"MAC Addr gravado com sucesso!"});
    QVERIFY(window->TabControl1->isEnabled() && window->bbGravaMacAddr->isEnabled());
    QVERIFY(!window->GroupBox1->testAttribute(Qt::WA_SetCursor));
    // A failed write keeps the log's lines.
    fakehid::setFault({fakehid::UsbFault::BadChecksum, 0, 0, -1});
    window->bbGravaMacAddrClick();
    QCOMPARE(window->logLines(), (QStringList {"MAC Addr gravado com sucesso!", "Falha de gravação dos parâmetros!"}));
}

QTEST_MAIN(TestConsoleOps)
#include "test_console_ops.moc"
