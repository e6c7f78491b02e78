// The window by keyboard over the fake cable (virtual clock): the focus back on the control
// that started an operation once it has ended, and the overflow menu reached, used and closed
// without a mouse.
#include <QApplication>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include "rts/remoteProgUnit.h"
#include "tests/support/windowOnFakeCable.h"

using namespace Qt::StringLiterals;

class TestAppKeyboard : public QObject, TWindowOnFakeCable {
    Q_OBJECT

    // A device found on the cable, the window shown and active.
    bool build()
    {
        fakehid::plug();
        window = makeTestWindow();
        window->localAddressSource = [] { return QList<QHostAddress> {}; };
        window->usbDeviceFound = true;
        for (QWidget* w :
            QList<QWidget*> {window->GroupBox1, window->GroupBox2, window->bbSendComd, window->pnControlesRTS})
            w->setEnabled(true);
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

private slots:
    void init()
    {
        ondixsim::DeviceConfig config;
        config.rts.push_back({0, 0, 4660, 167, {0x0A, 0xFF, 0x00}});
        attachUnit(config);
    }
    void cleanup() { detachUnit(); }

    // `control` is pressed with `key` on tab `tab` (Return on a button of a tab and on one of the
    // tool bar, Space on one of the RTS panel and on one that opens a dialog); each is disabled
    // (or the tab around it) while the device is asked. "moved": the user puts the focus in the
    // log while the settings read waits. `focus`: where the focus is once the operation has ended.
    void focusBack()
    {
        // Enviar disables itself (the toolkit moves the focus on); Adicionar Somfy opens a dialog
        // and gets the focus back once the dialog's Adicionar has closed it.
        for (const auto& [control, key, tab, focus, moved] :
            {std::tuple {u"Button2"_s, Qt::Key_Return, 0, "Button2", false},
                {u"bbSendComd"_s, Qt::Key_Return, 0, "bbSendComd", false},
                {u"bbRefreshRemotes"_s, Qt::Key_Space, 4, "bbRefreshRemotes", false},
                {u"bbAddSomfy"_s, Qt::Key_Space, 4, "bbAddSomfy", false},
                {u"Button2"_s, Qt::Key_Return, 0, "mmInfo", true}}) {
            cleanup();
            init();
            QVERIFY(build());
            window->logLine(u"sendrf,1,2,3"_s);
            window->TabControl1->setCurrentIndex(tab);
            QCoreApplication::processEvents();  // the RTS tab's read
            if (tab == 4)
                window->sgRTSCodes->selectRow(0);
            if (moved) {
                device->config().faults[ondixsim::cmdInfo] = {ondixsim::FaultKind::NoAnswer};
                fakeWaiter(*window).atPoll(fakeWaiter(*window).polls() + 50, [this] { window->mmInfo->setFocus(); });
            }
            if (control == u"bbAddSomfy")
                TDialogs::setNextAnswer(true);
            auto* start = window->findChild<QWidget*>(control);
            QVERIFY(start);
            start->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            const int pollsBefore = fakeWaiter(*window).polls();

            QTest::keyClick(start, key);
            if (control == u"bbAddSomfy") {
                QVERIFY(fmRemoteProg->isVisible());
                QTest::keyClick(fmRemoteProg->Button1, Qt::Key_Space);
                QVERIFY(!fmRemoteProg->isVisible());
            }
            QCoreApplication::processEvents();

            QVERIFY(fakeWaiter(*window).polls() > pollsBefore);  // the device was asked
            QVERIFY(window->focusWidget());
            QCOMPARE(window->focusWidget()->objectName(), QString::fromLatin1(focus));
        }
    }

    // From the focus at start, Shift+Tab reaches the menu button; then `keys` (Return, Down,
    // Escape) go to whatever has the focus.
    void menu()
    {
        const Qt::Key enter = Qt::Key_Return, down = Qt::Key_Down;
        // Escape closes it, back on the button; Informações does nothing, the menu stays; Sair
        for (const auto& [keys, shown, focus, row, windowShown] :
            {std::tuple {QList {enter, Qt::Key_Escape}, false, "bbMenu", 0, true},
                {QList {enter, down, enter}, true, "overflowMenu", 1, true},
                {QList {enter, down, down, down, down, down, enter}, false, "", 5, false}}) {
            cleanup();
            init();
            QVERIFY(build());
            QCOMPARE(QApplication::focusWidget(), window->bbFindDevice);
            for (int presses = 0; presses < 30 && QApplication::focusWidget() != window->bbMenu; ++presses)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), window->bbMenu);

            for (const Qt::Key key : keys)
                QTest::keyClick(QApplication::focusWidget(), key);

            QCOMPARE(window->overflowMenu->isVisible(), shown);
            QCOMPARE(window->overflowMenu->currentRow(), row);
            QCOMPARE(window->isVisible(), windowShown);
            if (*focus)
                QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(focus));
        }
    }
};

QTEST_MAIN(TestAppKeyboard)
#include "test_app_keyboard.moc"
