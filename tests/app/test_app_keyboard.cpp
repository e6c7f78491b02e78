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
#include "tests/app/windowOnFakeCable.h"

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

    void focusBack_data();
    void focusBack();
    void menu_data();
    void menu();
};

// `control` is pressed with `key` on tab `tab` (Return on a button of a tab and on one of the
// tool bar, Space on one of the RTS panel and on one that opens a dialog); each is disabled
// (or the tab around it) while the device is asked. "moved": the user puts the focus in the
// log while the settings read waits. `focus`: where the focus is once the operation has ended.
void TestAppKeyboard::focusBack_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("focus");
    QTest::newRow("Ler do Dispisitivo") << "Button2" << int(Qt::Key_Return) << 0 << "Button2";
    // The button disables itself: the toolkit moves the focus on to the next control.
    QTest::newRow("Enviar") << "bbSendComd" << int(Qt::Key_Return) << 0 << "bbSendComd";
    QTest::newRow("refresh") << "bbRefreshRemotes" << int(Qt::Key_Space) << 4 << "bbRefreshRemotes";
    // The dialog closes; the window's focus is back on the button that opened it.
    QTest::newRow("Adicionar Somfy, then Adicionar") << "bbAddSomfy" << int(Qt::Key_Space) << 4 << "bbAddSomfy";
    QTest::newRow("moved to the log meanwhile") << "Button2" << int(Qt::Key_Return) << 0 << "mmInfo";
}

void TestAppKeyboard::focusBack()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(int, tab);
    QVERIFY(build());
    window->logLine(u"sendrf,1,2,3"_s);
    window->TabControl1->setCurrentIndex(tab);
    QCoreApplication::processEvents();  // the RTS tab's read
    if (tab == 4)
        window->sgRTSCodes->selectRow(0);
    if (QTest::currentDataTag() == "moved to the log meanwhile"_L1) {
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

    QTest::keyClick(start, Qt::Key(key));
    if (control == u"bbAddSomfy") {
        QVERIFY(fmRemoteProg->isVisible());
        QTest::keyClick(fmRemoteProg->Button1, Qt::Key_Space);
        QVERIFY(!fmRemoteProg->isVisible());
    }
    QCoreApplication::processEvents();

    QVERIFY(fakeWaiter(*window).polls() > pollsBefore);  // the device was asked
    QVERIFY(window->focusWidget());
    QTEST(window->focusWidget()->objectName(), "focus");
}

// From the focus at start, Shift+Tab reaches the menu button; then `keys` (Return, Down,
// Escape) go to whatever has the focus.
void TestAppKeyboard::menu_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("windowShown");
    QTest::newRow("Escape closes it, back on the button") << "Return Escape" << false << "bbMenu" << 0 << true;
    QTest::newRow("Informações does nothing, the menu stays")
        << "Return Down Return" << true << "overflowMenu" << 1 << true;
    QTest::newRow("Sair") << "Return Down Down Down Down Down Return" << false << "" << 5 << false;
}

void TestAppKeyboard::menu()
{
    QFETCH(QString, keys);
    QVERIFY(build());
    QCOMPARE(QApplication::focusWidget(), window->bbFindDevice);
    for (int presses = 0; presses < 30 && QApplication::focusWidget() != window->bbMenu; ++presses)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), window->bbMenu);

    const QHash<QString, Qt::Key> named {
        {"Return", Qt::Key_Return}, {"Down", Qt::Key_Down}, {"Escape", Qt::Key_Escape}};
    for (const QString& key : keys.split(u' '))
        QTest::keyClick(QApplication::focusWidget(), named.value(key));

    QTEST(window->overflowMenu->isVisible(), "shown");
    QTEST(window->overflowMenu->currentRow(), "row");
    QTEST(window->isVisible(), "windowShown");
    QFETCH(QString, focus);
    if (!focus.isEmpty())
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
}

QTEST_MAIN(TestAppKeyboard)
#include "test_app_keyboard.moc"
