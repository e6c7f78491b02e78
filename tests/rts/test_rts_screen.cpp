// The "Controles RTS" tab over the fake cable (virtual clock): the table read and written,
// the grid and the choice that follow it, deletion and the add dialog. Lines are sent by a
// stub that records the log and hands them to the emulated device; network requests go to
// 127.0.0.9, where nobody answers, and their answers are handed to the listener.
#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <cstring>

#include "app/dialogs.h"
#include "rts/remoteProgUnit.h"
#include "tests/support/bytesText.h"
#include "tests/support/fakeHidWaiter.h"
#include "tests/support/windowOnFakeCable.h"
#include "tools/devicecore/ondixDevice.h"
#include "tools/fakehid/fakehid.h"

using namespace Qt::StringLiterals;
using TRecords = QList<QByteArray>;

namespace {

const QString logBefore = QStringLiteral("linha anterior");
const QString readFailure = QStringLiteral("Falha na leitura dos parâmetros!");
const QString question = QStringLiteral("Tem certeza que deseja apagar controle ?");

// Records as on the wire: reserved, type, rolling code (LE), key code, identifier.
const QByteArray remoteA = hex("0100100005010203");  // reserved 1, Somfy, rolling 16, key 5
const QByteArray remoteB = hex("0005200006040506");  // type 5: Tube, rolling 32, key 6
const QByteArray remoteC = hex("00003412A70AFF00");  // Somfy, rolling 4660, key 167
const QString rowA = QStringLiteral("1 Somfy 5 16 01-02-03");
const QString rowB = QStringLiteral("2 Tube 6 32 04-05-06");

rtsRemote_t record(const QByteArray& b)
{
    return rtsRecordFromBytes(reinterpret_cast<const uint8_t*>(b.data()));
}
ondixsim::RtsRecord deviceRecord(const QByteArray& b)
{
    const rtsRemote_t r = record(b);
    return {r.reserved, r.type, r.rollingCode, r.keyCode, r.remoteId};
}

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

}  // namespace

class TestRtsScreen : public QObject, TWindowOnFakeCable {
    Q_OBJECT
    QList<QStringList> sent;  // the log at each call of the send function

    void build(const TRecords& onDevice = {}, bool plugged = true)
    {
        std::ranges::transform(onDevice, std::back_inserter(device->config().rts), deviceRecord);
        if (plugged)
            fakehid::plug();
        window = makeTestWindow();
        window->localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
        window->usbDeviceFound = true;
        window->GroupBox1->setEnabled(true);
        window->pnControlesRTS->setEnabled(true);
        window->logLine(logBefore);
        // The device "answers" from 127.0.0.9; the requests the window sends there come back to
        // its own listener from another address and are not taken for answers.
        window->deviceIP = QStringLiteral("127.0.0.9");
        setAddressBoxes(*window, "127.0.0.9");
        window->rts.sendCommandLine = [this] {
            sent << window->logLines();
            device->handleCommandLine(window->mmInfo->toPlainText().toStdString());
        };
    }
    // The window's table as if read before.
    void holdTable(const TRecords& records)
    {
        window->rtsTable.count = uint32_t(records.size());
        for (int i = 0; i < records.size(); ++i)
            window->rtsTable.remotes[size_t(i)] = record(records[i]);
        window->parseRemotes(&window->rtsTable);
    }
    QStringList deviceTable() const
    {
        const QByteArray table = bytesOf(device->rtsTableBytes());
        QStringList records;
        for (qsizetype at = 4; at < table.size(); at += 8)
            records << hexText(table.mid(at, 8));
        return records;
    }
    // Whether the controls are held: TabControl1, Button2 (as far as it goes), hourglass on GroupBox1.
    QList<bool> heldControls() const
    {
        return {window->TabControl1->isEnabled(), window->Button2->isEnabledTo(window->TabControl1),
            window->GroupBox1->cursor().shape() == Qt::WaitCursor};
    }

private slots:
    void init()
    {
        attachUnit();
        sent.clear();
    }
    void cleanup() { detachUnit(); }

    // The table read (the window holds A and B when the refresh runs) or written (`table`: what
    // the window holds and writes). `setup`: a fault of the device or the link. The fault matrix
    // covers the other faults and the network; here the window's part of each kind.
    void exchange_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<TRecords>("table");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("polls");
        const QString readRequest = QStringLiteral("45 4B 01 08 99 00 00 00");
        const QStringList kept {rowA, rowB}, rowC {"1 Somfy 167 4660 0A-FF-00"}, before {logBefore};
        const auto row = [&](const char* tag, bool write, const char* setup, const TRecords& table,
                             const QString& frame, const QStringList& grid, const QStringList& log, int polls) {
            QTest::newRow(tag) << write << setup << table << frame << grid << log << polls;
        };
        row("read", false, "", {remoteC}, readRequest, rowC, before, 1);
        row("read, no answer", false, "no-answer", {remoteC}, readRequest, kept, {logBefore, "Sem resposta!"}, 100);
        // Only 14 bytes arrive; the whole frame, checksum included, lies in the buffer behind them.
        row("read, answer cut short", false, "cut", {remoteC}, readRequest, kept, {logBefore, readFailure}, 1);
        row("read, USB link closed", false, "unplugged", {remoteC}, "", kept, before, 0);
        row("read, no device found", false, "usb-off", {remoteC}, "", kept, before, 0);
        row("write", true, "", {remoteC}, "45 4B 01 09 0C 00 01 00 00 00 00 00 34 12 A7 0A FF 00 9D 02 00 00", rowC,
            {"CMD OK"}, 1);
        row("write, network, an address box above 255", true, "net", {}, "", {},
            {"Valor inválido em Endereço IP, 1º campo: \"300\" (use um número de 0 a 255)."}, 0);
    }

    void exchange()
    {
        QFETCH(bool, write);
        QFETCH(QString, setup);
        QFETCH(TRecords, table);
        QFETCH(QString, frame);
        QFETCH(QStringList, grid);
        if (setup == u"no-answer" || setup == u"cut")
            device->config().faults[ondixsim::cmdReadRts] = {
                setup == u"cut" ? ondixsim::FaultKind::Truncated : ondixsim::FaultKind::NoAnswer, 0, 14};
        build(write ? TRecords {remoteA} : table, setup != u"unplugged");
        holdTable(write ? table : TRecords {remoteA, remoteB});
        window->usbDeviceFound = setup != u"usb-off";
        window->netDeviceFound = setup == u"net";
        if (setup == u"cut")
            std::memcpy(window->answerBuf.data(), hex("454B01080C000100000000003412A70AFF009C020000").constData(), 22);
        if (setup == u"net")
            setAddressBoxes(*window, "300.0.0.9");
        QList<bool> busy;
        fakeWaiter(*window).atPoll(1, [&] { busy = heldControls(); });

        if (!write)
            window->bbRefreshRemotesClick();
        else
            setup == u"net" ? window->setRTS_byNetWork(&window->rtsTable) : window->setRTS_byUSB(&window->rtsTable);

        const auto frames = fakehid::writtenFrames();
        QCOMPARE(frames.empty() ? QString() : hexText(bytesOf(frames[0])), frame);
        QCOMPARE(int(frames.size()), frame.isEmpty() ? 0 : 1);
        QCOMPARE(gridRows(window->sgRTSCodes), grid);
        QCOMPARE(int(window->rtsRemoteList.size()), int(grid.size()));
        QTEST(window->logLines(), "log");
        QTEST(fakeWaiter(*window).polls(), "polls");
        if (write && !frame.isEmpty())  // the device took the table
            QCOMPARE(deviceTable(), QStringList {hexText(remoteC)});
        if (fakeWaiter(*window).polls() > 0)
            QCOMPARE(busy, (QList<bool> {false, write, true}));  // Button2 stays usable during a write
        QCOMPARE(heldControls(), (QList<bool> {true, true, false}));
        for (QWidget* w : QList<QWidget*> {window->GroupBox1, window->GroupBox2, window->mmInfo, window->Button3})
            QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
    }

    // The device holds `before` when the tab is shown, which reads it. `choose` picks a row:
    // "clickN" clicks row N, "beside" clicks beside the rows, "Space" takes the row under the
    // grid's cursor. Then, when `after` is not empty, a refresh reads the table the device holds
    // then. `row`: the row chosen and highlighted at the end; `line`: what STOP sends then
    // (nothing while it is disabled).
    void choice_data()
    {
        QTest::addColumn<TRecords>("before");
        QTest::addColumn<QString>("choose");
        QTest::addColumn<TRecords>("after");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("line");
        const TRecords ab {remoteA, remoteB}, abc {remoteA, remoteB, remoteC};
        QTest::newRow("click") << ab << "click1" << TRecords {} << 1 << "sendrf_rc,3695,149,240,4,5,6";
        QTest::newRow("click beside the rows") << ab << "beside" << TRecords {} << -1 << "";
        QTest::newRow("keyboard only: space takes the row under the cursor")
            << abc << "Space" << TRecords {} << 0 << "sendrf_rc,3767,160,16,1,2,3";
        QTest::newRow("moved up") << abc << "click2" << TRecords {remoteB, remoteC} << 1
                                  << "sendrf_rc,3767,160,16,10,255,0";
    }

    void choice()
    {
        QFETCH(TRecords, before);
        QFETCH(QString, choose);
        QFETCH(TRecords, after);
        build(before);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->TabControl1->setCurrentWidget(window->TabItem5);
        QCoreApplication::processEvents();  // the tab's read
        QTableWidget* grid = window->sgRTSCodes;
        QCOMPARE(grid->rowCount(), int(before.size()));
        if (choose.startsWith(u"click")) {
            const QRect cell = grid->visualItemRect(grid->item(choose.mid(5).toInt(), 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        } else if (choose == u"beside") {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, grid->viewport()->height() - 5));
        } else {
            grid->setFocus(Qt::TabFocusReason);
            QTest::keyClick(grid, Qt::Key_Space);
        }

        if (!after.isEmpty()) {
            device->config().rts.clear();
            std::ranges::transform(after, std::back_inserter(device->config().rts), deviceRecord);
            QTest::mouseClick(window->bbRefreshRemotes, Qt::LeftButton);
            QCOMPARE(grid->rowCount(), int(after.size()));
        }

        QFETCH(int, row);
        QCOMPARE(grid->selectionModel()->selectedRows(),
            row >= 0 ? QModelIndexList {grid->model()->index(row, 0)} : QModelIndexList {});
        QCOMPARE((QList<int> {window->rtsSelectedRow, window->pnCommand->isEnabled()}), (QList<int> {row, row >= 0}));
        QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
        QFETCH(QString, line);
        QCOMPARE(sent, line.isEmpty() ? QList<QStringList> {} : QList<QStringList> {{line}});
    }

    // Pressed at poll 150 of a table write over the network that is acknowledged at poll 300
    // (3 s), with the add dialog open: refused with a word in the status bar, the log as it was.
    void pressedDuringWrite_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("Adicionar's handler") << "add" << QStringList {"CMD_OK"};
        QTest::newRow("Enviar") << "send" << QStringList {"CMD_OK"};
        // Enter leaves its line break in the memo, as always.
        QTest::newRow("keyword getClock") << "getClock" << QStringList {"getClock", "", "CMD_OK"};
    }

    void pressedDuringWrite()
    {
        QFETCH(QString, press);
        build({remoteA});
        window->bbSendComd->setEnabled(true);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        holdTable({remoteC});
        window->bbAddSomfyClick();
        QVERIFY(fmRemoteProg->isVisible());
        bool addEnabled = true;
        fakeWaiter(*window).atPoll(150, [&] {
            addEnabled = fmRemoteProg->Button1->isEnabled();
            const QStringList logBeforePress = window->logLines();
            if (press == u"add") {
                fmRemoteProg->Button1Click();  // as if the disabled button were pressed
            } else if (press == u"send") {
                QTest::mouseClick(window->bbSendComd, Qt::LeftButton);
            } else {
                window->mmInfo->setPlainText(press);
                window->mmInfo->moveCursor(QTextCursor::End);
                QTest::keyClick(window->mmInfo, Qt::Key_Return);
            }
            fakeWaiter(*window).atPoll(300, [this] {
                window->udpServerUDPRead(hex("454B01099A000000"), QHostAddress(QStringLiteral("127.0.0.9")));
            });
            if (press != u"getClock")  // refused: the log as it was
                QCOMPARE(window->logLines(), logBeforePress);
        });

        window->setRTS_byNetWork(&window->rtsTable);

        QCOMPARE((QList<bool> {addEnabled, fmRemoteProg->isVisible(), fakehid::writtenFrames().empty()}),
            (QList<bool> {false, true, true}));
        QCOMPARE(sent, QList<QStringList> {});
        QCOMPARE(window->lbStatusBar->text(), u"Aguarde: a Ondix está ocupada com outra operação."_s);
        // The write waited for its acknowledgement and took it.
        QTEST(window->logLines(), "log");
        QCOMPARE(fakeWaiter(*window).polls(), 300);
        QCOMPARE(deviceTable(), QStringList {hexText(remoteA)});  // the device's own table: nothing added
        QCoreApplication::processEvents();
        QVERIFY(fmRemoteProg->Button1->isEnabled());
    }

    // The device holds A and B, read first; `row` is chosen and the question answered `yes`.
    // Without a device found the grid follows the deletion but nothing is written.
    void deleteRemote_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("deviceFound");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QStringList>("log");
        const QStringList both {rowA, rowB}, untouched {logBefore};
        QTest::newRow("second of two, reserved byte kept")
            << 1 << true << true << "45 4B 01 09 0C 00 01 00 00 00 01 00 10 00 05 01 02 03 C3 00 00 00"
            << QStringList {rowA} << QStringList {"CMD OK"};
        QTest::newRow("answered No") << 0 << false << true << "" << both << untouched;
        QTest::newRow("no row selected") << -1 << true << true << "" << both << untouched;
        QTest::newRow("no device found") << 0 << true << false << "" << QStringList {"1 Tube 6 32 04-05-06"}
                                         << untouched;
    }

    void deleteRemote()
    {
        QFETCH(int, row);
        QFETCH(bool, yes);
        QFETCH(QString, frame);
        build({remoteA, remoteB});
        window->bbRefreshRemotesClick();
        fakehid::clearLogs();
        window->sgRTSCodesSelectCell(row);
        TDialogs::setNextAnswer(yes);
        QFETCH(bool, deviceFound);
        window->usbDeviceFound = deviceFound;

        window->bbDeleteRemoteClick();

        QCOMPARE(TDialogs::shownMessages(), row >= 0 ? QStringList {question} : QStringList {});
        const auto frames = fakehid::writtenFrames();
        QCOMPARE(frames.empty() ? QString() : hexText(bytesOf(frames[0])), frame);
        QCOMPARE(int(frames.size()), frame.isEmpty() ? 0 : 1);
        QTEST(gridRows(window->sgRTSCodes), "grid");
        QTEST(window->logLines(), "log");
        QCOMPARE(deviceTable(), QStringList({hexText(remoteA), hexText(remoteB)}).mid(0, frame.isEmpty() ? 2 : 1));
        // The remote deleted was the one chosen: none is chosen afterwards.
        const bool deleted = row >= 0 && yes;
        QCOMPARE((QList<int> {window->rtsSelectedRow, window->pnCommand->isEnabled()}),
            (QList<int> {deleted ? -1 : row, !deleted && row >= 0}));
        QCOMPARE(int(window->rtsRemoteList.size()), window->sgRTSCodes->rowCount());
    }

    // Through the buttons and the dialog; the stub sends the line to the device, which creates
    // the remote, and the refresh then shows it. Without a device found nothing is sent.
    void addRemote_data()
    {
        QTest::addColumn<bool>("deviceFound");
        QTest::newRow("Tube, known identifier drawn again") << true;
        QTest::newRow("Somfy, no device") << false;
    }

    void addRemote()
    {
        QFETCH(bool, deviceFound);
        // The first draw is A's identifier: the device would take it for A.
        const QByteArray draws = deviceFound ? hex("010203070809") : hex("010203");
        const QString tube = QStringLiteral("sendrf_rc,3695,156,240,7,8,9");
        build(deviceFound ? TRecords {remoteA} : TRecords {});
        window->bbRefreshRemotesClick();
        window->bbSendComd->setEnabled(deviceFound);
        int drawn = 0;
        window->rts.randomByte = [&] { return uint8_t(draws.at(drawn++)); };
        const int pollsBefore = fakeWaiter(*window).polls();
        const long long startMs = fakehid::now();
        fakehid::clearLogs();

        QTest::mouseClick(deviceFound ? window->bbAddTube : window->bbAddSomfy, Qt::LeftButton);
        QCOMPARE((QList<bool> {fmRemoteProg->isVisible(), fmRemoteProg->isModal(), fmRemoteProg->isTube}),
            (QList<bool> {true, false, deviceFound}));
        QTest::mouseClick(fmRemoteProg->Button1, Qt::LeftButton);

        QVERIFY(!fmRemoteProg->isVisible());
        QCOMPARE(sent, deviceFound ? QList<QStringList> {{tube}} : QList<QStringList> {});
        QCOMPARE(
            gridRows(window->sgRTSCodes), (deviceFound ? QStringList {rowA, "2 Tube 1 1 07-08-09"} : QStringList {}));
        QCOMPARE(window->logLines(), QStringList {deviceFound ? tube : u"Conecte a Ondix!"_s});
        QCOMPARE(drawn, int(draws.size()));
        // After the line: about 300 ms with the event loop running (the virtual clock), then
        // one read of the table.
        const auto frames = fakehid::writtenFrames();
        QCOMPARE(int(frames.size()), deviceFound ? 1 : 0);
        if (deviceFound) {
            QCOMPARE(hexText(bytesOf(frames[0])), u"45 4B 01 08 99 00 00 00"_s);
            QCOMPARE(fakeWaiter(*window).polls() - pollsBefore, 30 + 1);
            QVERIFY(fakehid::now() - startMs >= 300);
        }
    }
};

QTEST_MAIN(TestRtsScreen)
#include "test_rts_screen.moc"
