// The two generator tabs in the window: what a click leaves in the memos and the log, and
// which double-clicked lines are sent. Sending is a stub that records the log.
#include <QApplication>
#include <QButtonGroup>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "app/dialogs.h"
#include "codegen/broadLinkGCode.h"
#include "codegen/tLightSmartGCode.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/fakehid/fakehid.h"

namespace {

const QString logBefore = QStringLiteral("linha anterior");
const QString recording = QStringLiteral("// Codigo para gravar os comandos");

// Yields 1, 2, 3, ...: the same bytes for the window and for the expected lines.
TCodeByteSource counting()
{
    return [next = uint8_t(1)]() mutable { return next++; };
}

void placeCaret(QPlainTextEdit* memo, int line)
{
    memo->setTextCursor(QTextCursor(memo->document()->findBlockByNumber(line)));
}

}  // namespace

class TestCodeGenScreen : public QObject {
    Q_OBJECT
    std::unique_ptr<TfmPrincipal> window;
    QList<QStringList> sent;  // the log at each call of the send function

private slots:
    void init()
    {
        TDialogs::setScripted(true);
        fakehid::reset();
        window = makeTestWindow();
        window->localAddressSource = [] { return QList<QHostAddress> {QHostAddress::LocalHost}; };
        window->logLine(logBefore);
        sent.clear();
        window->codeGen.sendCommandLine = [this] { sent << window->logLines(); };
        window->codeGen.randomByte = counting();
    }
    void cleanup() { window.reset(); }

    void switchCodes_data();
    void switchCodes();
    void tlCodes();
    void doubleClick_data();
    void doubleClick();
    void longLinesWrapAnywhere();
};

// "Gerar códigos" replaces the memo with the lines for the switch size checked; the log is
// left alone and nothing is sent.
void TestCodeGenScreen::switchCodes_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("keys");
    QTest::newRow("1 key") << "rbTC2_1" << 1;
    QTest::newRow("2 keys") << "rbTC2_2" << 2;
    QTest::newRow("none checked") << "" << 0;
}

void TestCodeGenScreen::switchCodes()
{
    QFETCH(QString, radio);
    QFETCH(int, keys);
    window->mmInfoCodeGen->setPlainText(QStringLiteral("códigos anteriores"));
    if (radio.isEmpty()) {
        window->findChild<QButtonGroup*>(QStringLiteral("groupTC2"))->setExclusive(false);
        window->rbTC2_1->setChecked(false);
    } else {
        window->findChild<QRadioButton*>(radio)->setChecked(true);
    }

    QTest::mouseClick(window->Button5, Qt::LeftButton);

    QCOMPARE(window->mmInfoCodeGen->toPlainText(), keys ? tc2CodeLines(keys, counting()).join(u'\n') : QString());
    QCOMPARE(window->logLines(), QStringList {logBefore});
    QCOMPARE(sent.size(), 0);
}

// Each click adds a code under the earlier ones; the log holds only the newest line, for
// the user to send.
void TestCodeGenScreen::tlCodes()
{
    window->mmInfoTLCodeGen->setPlainText(QStringLiteral("código anterior"));
    for (int click = 0; click < 3; ++click)
        QTest::mouseClick(window->Button7, Qt::LeftButton);

    QStringList expected {QStringLiteral("código anterior")};
    const TCodeByteSource bytes = counting();
    tlCode_t code;
    for (int click = 0; click < 3; ++click)
        expected += (code = tlCodeLines(bytes)).memoLines;
    QCOMPARE(window->mmInfoTLCodeGen->toPlainText().split(u'\n'), expected);
    QCOMPARE(window->logLines(), QStringList {code.infoLine});
    QCOMPARE(sent.size(), 0);
}

// A double-click sends the line under the caret when it is a send line, through the log;
// a comment is not sent (the rule itself: test_codegen; the mouse's part: test_console_e2e).
void TestCodeGenScreen::doubleClick_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("line");  // what is sent; empty: nothing
    QTest::newRow("send line") << "BL" << 1 << "sendrf,1,20,1,40500,1650";
    QTest::newRow("recording comment") << "BL" << 0 << "";
    QTest::newRow("typed line") << "TL" << 3 << "tv,liga";
}

void TestCodeGenScreen::doubleClick()
{
    QFETCH(QString, memo);
    QFETCH(int, caret);
    QFETCH(QString, line);
    const QString text = recording + "\nsendrf,1,20,1,40500,1650\n\ntv,liga";
    QPlainTextEdit* target = memo == u"TL" ? window->mmInfoTLCodeGen : window->mmInfoCodeGen;
    target->setPlainText(text);
    placeCaret(target, caret);

    memo == u"TL" ? window->mmInfoTLCodeGenDblClick() : window->mmInfoCodeGenDblClick();

    QCOMPARE(sent, line.isEmpty() ? QList<QStringList> {} : QList<QStringList> {{line}});
    QCOMPARE(window->logLines(), QStringList {line.isEmpty() ? logBefore : line});
    QCOMPARE(target->toPlainText(), text);
}

// A send line longer than the memo is wide fills its first screen line instead of breaking
// after "sendrf," (the generator memos wrap as the log does).
void TestCodeGenScreen::longLinesWrapAnywhere()
{
    window->resize(500, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QStringList durations;
    for (int i = 0; i < 120; ++i)
        durations << QString::number(300 + i * 7);
    for (QPlainTextEdit* m : {window->mmInfo, window->mmInfoCodeGen, window->mmInfoTLCodeGen}) {
        window->TabControl1->setCurrentWidget(m == window->mmInfoTLCodeGen ? window->TabItem4 : window->TabItem3);
        m->setPlainText("sendrf,1,20,1," + durations.join(','));
        QApplication::processEvents();
        const QTextLayout* layout = m->document()->firstBlock().layout();
        QVERIFY(layout && layout->lineCount() > 1);
        QVERIFY2(layout->lineAt(0).textLength() > 20, qPrintable(m->objectName()));
    }
}

QTEST_MAIN(TestCodeGenScreen)
#include "test_codegen_screen.moc"
