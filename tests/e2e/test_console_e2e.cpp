// Lines that reach ondix-sim across a private network through the window: the MAC write, and
// generated switch codes double-clicked in their memos, sent as "Enviar" sends them over TCP.
#include <QtTest>
#include <QtWidgets>

#include "app/dialogs.h"
#include "tests/support/simFixture.h"

namespace {

void doubleClickLine(QPlainTextEdit* memo, int line)
{
    const QPoint at = memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(line))).center() + QPoint(2, 0);
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class TestConsoleEndToEnd : public QObject {
    Q_OBJECT
    TSimFixture fx_ {"cons", 1, 11};

private slots:
    void initTestCase() { QVERIFY(fx_.up()); }
    void init() { TDialogs::setScripted(true), TDialogs::resetScript(); }
    void cleanup() { fx_.reset(); }
    void cleanupTestCase() { fx_.net.down(); }

    void macWriteOverNetwork()
    {
        QVERIFY(fx_.deviceWindow());
        TfmPrincipal& w = *fx_.window;
        w.mmInfo->setFocus();
        QTest::keyClicks(w.mmInfo, "vilaverdebom4827");
        QTest::keyClick(w.mmInfo, Qt::Key_Return);
        const QStringList mac {"02", "1a", "FF", "3", "2c", "fe"};
        for (int i = 0; i < 6; ++i)
            w.macAddr[size_t(i)]->setText(mac[i]);
        QTest::mouseClick(w.bbGravaMacAddr, Qt::LeftButton);
        QCOMPARE(w.logLines(), QStringList {"MAC Addr gravado com sucesso!"});
        QVERIFY(fx_.received("45 4B 01 05 00 00 02 1A FF 03 2C FE"));
    }

    // A TC2 key line and a TL line; the comment above the TC2 line sends nothing.
    void generatedLinesReachTheDevice()
    {
        QVERIFY(fx_.deviceWindow());
        TfmPrincipal& w = *fx_.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        w.TabControl1->setCurrentWidget(w.mmInfoCodeGen->parentWidget());
        w.rbTC2_1->setChecked(true);
        QTest::mouseClick(w.Button5, Qt::LeftButton);
        const QString tc2Line = w.mmInfoCodeGen->document()->findBlockByNumber(3).text();
        QVERIFY(tc2Line.startsWith("sendrf,"));
        doubleClickLine(w.mmInfoCodeGen, 2);
        doubleClickLine(w.mmInfoCodeGen, 3);
        QCOMPARE(w.logLines(), QStringList {tc2Line});
        QCOMPARE(w.lbStatusBar->text(), QStringLiteral("Comando enviado com sucesso!"));

        w.TabControl1->setCurrentWidget(w.mmInfoTLCodeGen->parentWidget());
        QTest::mouseClick(w.Button7, Qt::LeftButton);
        const QString tlLine = w.mmInfoTLCodeGen->document()->findBlockByNumber(1).text();
        doubleClickLine(w.mmInfoTLCodeGen, 1);
        QCOMPARE(w.logLines(), QStringList {tlLine});

        QTRY_COMPARE_WITH_TIMEOUT(fx_.deviceLines(), (QStringList {tc2Line, tlLine}), 3000);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestConsoleEndToEnd test;
    return TTestNetwork::exec(test, argc, argv);
}

#include "test_console_e2e.moc"
