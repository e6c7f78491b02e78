// The console in the window: keywords typed into the log and confirmed with Enter, "Enviar"
// over the fake cable (virtual clock) and over TCP to a server of the test's own on
// 127.0.0.1, the MAC write, the flash read test and the firmware trigger. Nothing leaves
// this host.
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

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/dialogs.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

namespace {

const QString before = QStringLiteral("linha anterior");
const QString notConnected =
    QStringLiteral("Não foi possível conectar a porta serial. Verifique a conexão e tente novamente...");

QString hexOf(const std::vector<uint8_t>& v, size_t count = SIZE_MAX)
{
    const QByteArray b(reinterpret_cast<const char*>(v.data()), qsizetype(std::min(count, v.size())));
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

QStringList frameHex()
{
    QStringList out;
    for (const auto& f : fakehid::writtenFrames())
        out.append(hexOf(f));
    return out;
}

// A device on 127.0.0.1 that takes one connection and answers each burst with `answer`
// (nothing when empty).
struct TLineServer {
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    QByteArray received;
    QByteArray answer;
    int connections = 0;
    explicit TLineServer(const QByteArray& reply) : answer(reply)
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            peer = server.nextPendingConnection();
            ++connections;
            QObject::connect(peer, &QTcpSocket::readyRead, peer, [this] {
                received += peer->readAll();
                if (!answer.isEmpty())
                    peer->write(answer);
            });
        });
    }
};

// A loopback port whose accept queue is full: a further connect is never completed.
struct TFullListener {
    int fd = -1;
    std::vector<int> waiting;
    quint16 port = 0;
    TFullListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, 0) != 0)
            return;  // port stays 0: the test's connect then fails
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        for (int i = 0; i < 2; ++i) {  // fill the queue (backlog 0 holds one)
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            (void)::connect(c, reinterpret_cast<sockaddr*>(&a), len);  // non-blocking: in progress
            waiting.push_back(c);
        }
    }
    ~TFullListener()
    {
        for (int c : waiting)
            ::close(c);
        ::close(fd);
    }
};

}  // namespace

class TestConsoleOps : public QObject {
    Q_OBJECT
    std::unique_ptr<ondixsim::Device> device;
    std::unique_ptr<TfmPrincipal> window;
    QStringList hookCalls;

    void build(bool plugged = true)
    {
        if (plugged)
            fakehid::plug();
        window = makeTestWindow();
        window->localAddressSource = [] { return QList<QHostAddress> {}; };
        window->usbDeviceFound = true;
        window->GroupBox1->setEnabled(true);
        window->bbSendComd->setEnabled(true);
        window->deviceIP.clear();
        window->logLine(before);
        TConsoleControls& hooks = window->consoleControls();
        const auto hook = [this](const char* name) {
            return [this, name](TLinkKind link) {
                hookCalls.append(QStringLiteral("%1 %2").arg(name, link == TLinkKind::Network ? "net" : "usb"));
            };
        };
        hooks.getClock = hook("getClock");
        hooks.setClock = hook("setClock");
        hooks.getRTS = hook("getRTS");
        fakehid::clearLogs();
    }
    void checkRestored()
    {
        QVERIFY(window->bbSendComd->isEnabled() && window->TabControl1->isEnabled() && !window->exchange.busy());
    }

private slots:
    void init()
    {
        TDialogs::setScripted(true);
        TDialogs::resetScript();
        fakehid::reset();
        hookCalls.clear();
        ondixsim::DeviceConfig config;
        config.flashImage = ondixsim::Bytes {0x00, 0x1F, 0xFF};
        device = std::make_unique<ondixsim::Device>(config);
        fakehid::attachDevice(*device);
    }
    void cleanup()
    {
        window.reset();
        fakehid::setResponder(nullptr);
        device.reset();
    }

    void keywords_data();
    void keywords();
    void macBoxesStayEnabledAfterSearches();
    void sendOverUsb_data();
    void sendOverUsb();
    void sendOverTcp_data();
    void sendOverTcp();
    void macWrite_data();
    void macWrite();
    void flashRead_data();
    void flashRead();
};

// `memo`: the log's text, `caret`: the line the caret is put at the end of, `links`: the
// devices found ("usb", "net", both or none). `log` is the memo after Enter.
void TestConsoleOps::keywords_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("links");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("effect");
    const QStringList help {"Commands:", "getRTS", "getClock", "setClock", "memoryTest"};
    QTest::newRow("help") << "help" << 0 << "usb" << QStringList {"help"} + help + QStringList {""} << "";
    QTest::newRow("Help does nothing") << "Help" << 0 << "usb" << QStringList {"Help", ""} << "";
    QTest::newRow("blank before help") << " help" << 0 << "usb" << QStringList {" help", ""} << "";
    QTest::newRow("caret on an earlier line")
        << "help\nsendrf,1" << 0 << "usb" << QStringList {"help", "", "sendrf,1"} + help << "";
    QTest::newRow("access code") << "vilaverdebom4827" << 0 << "" << QStringList {"vilaverdebom4827", ""} << "mac";
    QTest::newRow("memoryTest") << "memoryTest" << 0 << "" << QStringList {"memoryTest", ""} << "flash tab";
    QTest::newRow("firmware over the cable") << "atualizarfirmware" << 0 << "usb" << QStringList {"CMD OK", ""}
                                             << "45 4B 01 02 04 00 00 00 00 00 97 00 00 00";
    QTest::newRow("firmware, network only")
        << "atualizarfirmware" << 0 << "net" << QStringList {"atualizarfirmware", ""} << "";
    QTest::newRow("getClock on both links: network")
        << "getClock" << 0 << "usb net" << QStringList {"getClock", ""} << "getClock net";
    QTest::newRow("setClock over the cable")
        << "setClock" << 0 << "usb" << QStringList {"setClock", ""} << "setClock usb";
    QTest::newRow("getRTS over the network") << "getRTS" << 0 << "net" << QStringList {"getRTS", ""} << "getRTS net";
}

void TestConsoleOps::keywords()
{
    QFETCH(QString, memo);
    QFETCH(int, caret);
    QFETCH(QString, links);
    QFETCH(QString, effect);
    build();
    window->usbDeviceFound = links.contains("usb");
    window->netDeviceFound = links.contains("net");
    window->mmInfo->setPlainText(memo);
    QTextCursor cursor(window->mmInfo->document()->findBlockByNumber(caret));
    cursor.movePosition(QTextCursor::EndOfBlock);
    window->mmInfo->setTextCursor(cursor);

    QTest::keyClick(window->mmInfo, Qt::Key_Return);

    QTEST(window->logLines(), "log");
    const bool hookRow = effect.startsWith("get") || effect.startsWith("set");
    QCOMPARE(hookCalls, hookRow ? QStringList {effect} : QStringList {});
    QCOMPARE(frameHex(), effect.startsWith("45") ? QStringList {effect} : QStringList {});
    for (QLineEdit* box : window->macAddr)
        QCOMPARE(box->isEnabled(), effect == "mac");
    QCOMPARE(!window->bbGravaMacAddr->isHidden(), effect == "mac");
    const int flashTab = window->TabControl1->indexOf(window->TabItem6);
    QCOMPARE(window->TabControl1->isTabVisible(flashTab), effect == "flash tab");
    QCOMPARE(window->TabControl1->isTabEnabled(flashTab), effect == "flash tab");
    QVERIFY(window->bbSendComd->isEnabled());
}

void TestConsoleOps::macBoxesStayEnabledAfterSearches()
{
    build();
    window->mmInfo->setPlainText("vilaverdebom4827");
    window->mmInfo->moveCursor(QTextCursor::End);
    QTest::keyClick(window->mmInfo, Qt::Key_Return);

    // A search that finds nothing disables the group around the boxes, not the boxes.
    fakehid::setFault({fakehid::UsbFault::NoAnswer, 0, 0, 1});
    window->bbFindDeviceClick();
    QVERIFY(!window->GroupBox1->isEnabled());
    for (QLineEdit* box : window->macAddr)
        QVERIFY(box->isEnabledTo(window->GroupBox1));
    // The next one finds the device on the cable: the boxes are usable again.
    window->bbFindDeviceClick();
    QVERIFY(window->usbDeviceFound);
    for (QLineEdit* box : window->macAddr)
        QVERIFY(box->isEnabled());
    QVERIFY(!window->bbGravaMacAddr->isHidden());
}

// `setup`: "unplugged" (the link closed).
void TestConsoleOps::sendOverUsb_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("firstReport");  // hex of the first bytes of the one report written
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty memo: CR LF behind a length of 2")
        << ""
        << ""
        << "00 02 00 0D 0A"
        << "Comando enviado com sucesso!" << QStringList {} << QStringList {};
    QTest::newRow("link closed") << "sendir,1"
                                 << "unplugged"
                                 << ""
                                 << "Ondix não conectada!" << QStringList {"sendir,1", notConnected} << QStringList {};
    QTest::newRow("a character without a single byte")
        << "sendir,€"
        << ""
        << ""
        << "Ondix Conectada a USB!" << QStringList {"sendir,€"}
        << QStringList {
               "Caractere não permitido no comando: \"€\" (U+20AC). Use apenas caracteres de um byte (Latin-1)."};
}

void TestConsoleOps::sendOverUsb()
{
    QFETCH(QString, memo);
    QFETCH(QString, setup);
    QFETCH(QString, firstReport);
    build(setup != "unplugged");
    window->mmInfo->setPlainText(memo);

    window->bbSendComdClick();

    const auto reports = fakehid::writtenReports();
    QCOMPARE(int(reports.size()), firstReport.isEmpty() ? 0 : 1);
    if (!firstReport.isEmpty()) {
        QCOMPARE(hexOf(reports[0], size_t(firstReport.size() + 1) / 3), firstReport);
        // 100 ms before the write, 50 polls of 10 ms after it.
        QCOMPARE(fakehid::now(), 600LL);
        QCOMPARE(fakeWaiter(*window).polls(), 51);
    }
    QTEST(window->lbStatusBar->text(), "status");
    QTEST(window->logLines(), "log");
    QTEST(TDialogs::shownMessages(), "messages");
    checkRestored();
}

// `server`: "answer" (a device that answers), "silent" (connects, never answers), "refused"
// (nothing listens), "full" (the connect is never completed), "no-port" and "box-300"
// (the port box emptied, IP_4 holding 300, with a device that answers).
void TestConsoleOps::sendOverTcp_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QString>("message");  // %1: the port
    QTest::addColumn<QStringList>("log");
    const QString waiting = QStringLiteral("TCP Status: Aguardando Conexão...");
    QTest::newRow("device answers") << "sendrf,2,1\nsegunda"
                                    << "answer" << QByteArray("sendrf,2,1\nsegunda") << "Comando enviado com sucesso!"
                                    << -1 << "" << QStringList {"sendrf,2,1", "segunda"};
    QTest::newRow("device never answers: 400 polls")
        << "getx"
        << "silent" << QByteArray("getx") << waiting << 400 << "" << QStringList {"getx"};
    const QString connectFailed = QStringLiteral("TCP Status: Falha na conexão");
    QTest::newRow("connection refused")
        << "x"
        << "refused" << QByteArray() << connectFailed << -1
        << "Não foi possível conectar a 127.0.0.1:%1: conexão recusada (nada atende nessa porta)" << QStringList {"x"};
    QTest::newRow("connect never completes: 3000 ms")
        << "x"
        << "full" << QByteArray() << connectFailed << 300
        << "Não foi possível conectar a 127.0.0.1:%1: nenhuma resposta em 3000 ms" << QStringList {"x"};
    QTest::newRow("port not a number") << "x"
                                       << "no-port" << QByteArray() << "Ondix Conectada a USB!" << 0
                                       << "Valor inválido em Porta TCP: \"\" (use um número de 0 a 65535)."
                                       << QStringList {"x"};
    QTest::newRow("address box above 255")
        << "x"
        << "box-300" << QByteArray() << "Ondix Conectada a USB!" << 0 << ""
        << QStringList {"x", "Valor inválido em Endereço IP, 1º campo: \"300\" (use um número de 0 a 255)."};
}

void TestConsoleOps::sendOverTcp()
{
    QFETCH(QString, memo);
    QFETCH(QString, server);
    QFETCH(QByteArray, received);
    QFETCH(int, polls);
    QFETCH(QString, message);
    TLineServer lineServer(server == "silent" ? QByteArray() : QByteArray("OK\r\n"));
    std::unique_ptr<TFullListener> full;
    quint16 serverPort = lineServer.server.serverPort();
    if (server == "refused") {
        lineServer.server.close();  // the port is free now: nothing listens there
    } else if (server == "full") {
        full = std::make_unique<TFullListener>();
        serverPort = full->port;
    }
    build();
    window->netDeviceFound = true;
    const QStringList octets {server == "box-300" ? "300" : "127", "0", "0", "1"};
    QLineEdit* const boxes[] = {window->IP_4, window->IP_3, window->IP_2, window->IP_1};
    for (int i = 0; i < 4; ++i)
        boxes[i]->setText(octets[i]);
    window->edPort->setText(server == "no-port" ? QString() : QString::number(serverPort));
    window->mmInfo->setPlainText(memo);
    int connectPolls = -1;  // the poll during which the connection was made
    connect(
        window->tcpClient, &QTcpSocket::connected, window.get(), [&] { connectPolls = fakeWaiter(*window).polls(); });

    window->bbSendComdClick();

    QTRY_COMPARE(lineServer.received, received);
    QCOMPARE(lineServer.connections, received.isEmpty() ? 0 : 1);
    QTEST(window->lbStatusBar->text(), "status");
    QTEST(window->logLines(), "log");
    if (message.contains("%1"))
        message = message.arg(serverPort);
    QCOMPARE(TDialogs::shownMessages(), message.isEmpty() ? QStringList {} : QStringList {message});
    // Every box "Enviar" shows is an error box.
    QCOMPARE(TDialogs::shownKinds(), message.isEmpty() ? QStringList {} : QStringList {"error"});
    // Polls: 0 none (refused before connecting), 300 the connect's 3000 ms, 400 the answer
    // wait after the connect's polls, -1 fewer than 400.
    const int done = fakeWaiter(*window).polls();
    if (polls == 400)
        QCOMPARE(done - connectPolls, 400);
    else if (polls >= 0)
        QCOMPARE(done, polls);
    else
        QVERIFY2(done < 400, qPrintable(QString::number(done)));
    QVERIFY(fakehid::writtenFrames().empty());
    // The connection is closed after every send, whatever happened.
    QTRY_VERIFY(window->tcpClient->state() == QAbstractSocket::UnconnectedState);
    if (lineServer.peer)
        QTRY_COMPARE(lineServer.peer->state(), QAbstractSocket::UnconnectedState);
    checkRestored();
}

// `boxes`: the six MAC boxes. `fault`: at the cable. `log` after the write.
void TestConsoleOps::macWrite_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("macBytes");  // offsets 6-11 of the frame
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("polls");
    using F = fakehid::UsbFault;
    const QStringList ok {"MAC Addr gravado com sucesso!"};
    QTest::newRow("00 1A ff 0B 2c FE") << QStringList {"00", "1A", "ff", "0B", "2c", "FE"} << int(F::None)
                                       << "00 1A FF 0B 2C FE" << ok << 1;
    QTest::newRow("123, G5, :0, empty") << QStringList {"123", "G5", ":0", "", "0", "1"} << int(F::None)
                                        << "23 05 A0 00 00 01" << ok << 1;
    QTest::newRow("no answer: 500 polls") << QStringList {"1", "2", "3", "4", "5", "6"} << int(F::NoAnswer)
                                          << "01 02 03 04 05 06" << QStringList {before, "Sem resposta!"} << 500;
    QTest::newRow("checksum refused") << QStringList {"1", "2", "3", "4", "5", "6"} << int(F::BadChecksum)
                                      << "01 02 03 04 05 06"
                                      << QStringList {before, "Falha de gravação dos parâmetros!"} << 1;
}

void TestConsoleOps::macWrite()
{
    QFETCH(QStringList, boxes);
    QFETCH(int, fault);
    QFETCH(QString, macBytes);
    fakehid::setFault({fakehid::UsbFault(fault), 0, 0, -1});
    build();
    for (int i = 0; i < 6; ++i)
        window->macAddr[size_t(i)]->setText(boxes[i]);

    window->bbGravaMacAddrClick();

    const auto frames = fakehid::writtenFrames();
    QCOMPARE(int(frames.size()), 1);
    QCOMPARE(int(frames[0].size()), 32);
    QCOMPARE(hexOf(std::vector<uint8_t>(frames[0].begin() + 6, frames[0].begin() + 12)), macBytes);
    QTEST(window->logLines(), "log");
    QTEST(fakeWaiter(*window).polls(), "polls");
    QVERIFY(window->TabControl1->isEnabled());
    QVERIFY(window->bbGravaMacAddr->isEnabled());
}

// `answer`: what the emulated device or the cable does; `log` after the read.
void TestConsoleOps::flashRead_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QStringList>("log");
    const QString reading = QStringLiteral("Lendo memória, aguarde...");
    const QString r0128 = "45 4B 01 15 08 00 00 00 00 00 80 00 00 00 2E 01 00 00";
    QString dump128 = "[00][1F][FF]";
    for (int i = 3; i < 128; ++i)
        dump128 += "[FF]";  // erased past the image
    QTest::newRow("0, 128") << "0"
                            << "128"
                            << "" << r0128 << QStringList {reading, dump128};
    QTest::newRow("N = 3") << "0"
                           << "3"
                           << ""
                           << "45 4B 01 15 08 00 00 00 00 00 03 00 00 00 B1 00 00 00"
                           << QStringList {reading, "[00][1F][FF]"};
    QTest::newRow("no answer") << "0"
                               << "128"
                               << "silent" << r0128 << QStringList {reading, "Sem resposta!"};
    QTest::newRow("checksum refused") << "0"
                                      << "128"
                                      << "bad-checksum" << r0128
                                      << QStringList {reading, "Falha na leitura dos parâmetros!"};
    QTest::newRow("N beyond what arrived") << "0"
                                           << "128"
                                           << "cut" << r0128
                                           << QStringList {reading,
                                                  "Resposta da memória incompleta: anunciados 128 "
                                                  "bytes de dados, recebidos 3. Leitura recusada."};
    QTest::newRow("quantity past the reader's buffer")
        << "0"
        << "9991"
        << ""
        << "" << QStringList {before, "Valor inválido em Qtd: \"9991\" (use um número de 0 a 9990)."};
    QTest::newRow("address not decimal")
        << "0x10"
        << "128"
        << ""
        << "" << QStringList {before, "Valor inválido em Address: \"0x10\" (use um número de 0 a 4294967295)."};
    QTest::newRow("link closed") << "0"
                                 << "128"
                                 << "unplugged"
                                 << "" << QStringList {before};
}

void TestConsoleOps::flashRead()
{
    QFETCH(QString, address);
    QFETCH(QString, quantity);
    QFETCH(QString, answer);
    QFETCH(QString, request);
    using F = fakehid::UsbFault;
    if (answer == "silent")
        fakehid::setFault({F::NoAnswer, 0, 0, -1});
    if (answer == "bad-checksum")
        fakehid::setFault({F::BadChecksum, 0, 0, -1});
    if (answer == "cut")
        device->config().faults[ondixsim::cmdFlashRead] = ondixsim::Fault {ondixsim::FaultKind::Truncated, 0, 13};
    build(answer != "unplugged");
    window->edAddr->setText(address);
    window->edQtd->setText(quantity);

    window->Button12Click();

    QCOMPARE(frameHex(), request.isEmpty() ? QStringList {} : QStringList {request});
    QTEST(window->logLines(), "log");
    if (answer == "silent")
        QCOMPARE(fakeWaiter(*window).polls(), 1500);
    QVERIFY(window->TabControl1->isEnabled());
}

QTEST_MAIN(TestConsoleOps)
#include "test_console_ops.moc"
