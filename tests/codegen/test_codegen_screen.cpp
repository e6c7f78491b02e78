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
#include "tests/support/fakeHidWaiter.h"
#include "tools/fakehid/fakehid.h"

namespace {

const QString logBefore = QStringLiteral("linha anterior");
const QString recording = QStringLiteral("// Codigo para gravar os comandos");

// Durations after the head "sendrf,1,<n>,1"; -1 when the line is not a send line.
int durations(const QString& line, const QString& head)
{
    if (!line.startsWith(head + u','))
        return -1;
    return int(line.mid(head.size() + 1).split(u',').size());
}

void placeCaret(QPlainTextEdit* memo, int line)
{
    QTextCursor cursor(memo->document()->findBlockByNumber(line));
    memo->setTextCursor(cursor);
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
    }
    void cleanup() { window.reset(); }

    void switchCodes_data();
    void switchCodes();
    void tlCodes();
    void doubleClick_data();
    void doubleClick();
    void doubleClickWithTheMouse();
    void longLinesWrapAnywhere_data();
    void longLinesWrapAnywhere();
};

// Comments of each switch size in order; each is followed by a send line of `keyFrame`
// durations (the first, the recording one, by the learning frame).
void TestCodeGenScreen::switchCodes_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("comments");
    QTest::addColumn<int>("learningDurations");
    const QStringList one {recording, "// Codigo para Ligar L1", "// Codigo para Desligar L1"};
    const QStringList two = QStringList {one} << "// Codigo para Ligar L2"
                                              << "// Codigo para Desligar L2"
                                              << "// Codigo para Ligar Todas"
                                              << "// Codigo para Desligar Todas";
    QStringList three = two;
    three.insert(5, "// Codigo para Ligar L3");
    three.insert(6, "// Codigo para Desligar L3");
    QTest::newRow("1 key") << "rbTC2_1" << one << 116;
    QTest::newRow("2 keys") << "rbTC2_2" << two << 308;
    QTest::newRow("3 keys") << "rbTC2_3" << three << 404;
    QTest::newRow("none checked") << "" << QStringList {} << 0;
}

void TestCodeGenScreen::switchCodes()
{
    QFETCH(QString, radio);
    QFETCH(QStringList, comments);
    QFETCH(int, learningDurations);
    window->mmInfoCodeGen->setPlainText(QStringLiteral("códigos anteriores"));
    if (radio.isEmpty()) {
        auto* group = window->findChild<QButtonGroup*>(QStringLiteral("groupTC2"));
        group->setExclusive(false);
        window->rbTC2_1->setChecked(false);
    } else {
        window->findChild<QRadioButton*>(radio)->setChecked(true);
    }

    QTest::mouseClick(window->Button5, Qt::LeftButton);

    const QString text = window->mmInfoCodeGen->toPlainText();
    const QStringList lines = text.isEmpty() ? QStringList {} : text.split(u'\n');
    QCOMPARE(lines.size(), 2 * comments.size());
    for (int i = 0; i < comments.size(); ++i) {
        QCOMPARE(lines[2 * i], comments[i]);
        QCOMPARE(durations(lines[2 * i + 1], "sendrf,1,20,1"), i == 0 ? learningDurations : 68);
    }
    QCOMPARE(window->logLines(), QStringList {logBefore});
    QCOMPARE(sent.size(), 0);
}

void TestCodeGenScreen::tlCodes()
{
    const QList<uint8_t> draws {0xA5, 0x0F, 0x01, 0x02, 0x03, 0x04};
    int drawn = 0;
    window->codeGen.randomByte = [&] { return draws.at(drawn++); };
    window->mmInfoTLCodeGen->setPlainText(QStringLiteral("código anterior"));

    for (int click = 0; click < 3; ++click)
        QTest::mouseClick(window->Button7, Qt::LeftButton);

    const QStringList lines = window->mmInfoTLCodeGen->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 1 + 6);
    QCOMPARE(lines[0], u"código anterior");
    for (int i = 1; i < 7; i += 2) {
        QCOMPARE(lines[i], recording);
        QCOMPARE(durations(lines[i + 1], "sendrf,1,12,1"), 50);
    }
    QCOMPARE(lines[2],
        u"sendrf,1,12,1,1700,49000,4800,1800,1800,4800,4800,1800,1800,4800,1800,4800,4800,1800,"
        u"1800,4800,4800,1800,4800,1800,4800,1800,4800,1800,4800,1800,1800,4800,1800,4800,1800,"
        u"4800,1800,4800,1800,4800,1800,4800,4800,1800,1800,4800,4800,1800,4800,1800,1800,4800,"
        u"4800,1800");
    QCOMPARE(window->logLines(), QStringList {lines[6]});
    QCOMPARE(sent.size(), 0);  // put in the log for the user to send
}

// `memo`: "BL" or "TL"; the caret on line `caret` of `text`.
void TestCodeGenScreen::doubleClick_data()
{
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("line");  // what is sent; empty: nothing
    const QString lines = recording
        + "\nsendrf,1,20,1,40500,1650\n\n// Codigo para Ligar L1\nsendrf,1,\ntv,liga\n"
          "abc,def";
    QTest::newRow("send line") << "BL" << lines << 1 << "sendrf,1,20,1,40500,1650";
    QTest::newRow("recording comment") << "BL" << lines << 0 << "";
    QTest::newRow("empty line") << "TL" << lines << 2 << "";
    QTest::newRow("key comment") << "BL" << lines << 3 << "";
    QTest::newRow("sendrf,1, alone") << "BL" << lines << 4 << "";
    QTest::newRow("typed line sorting after") << "TL" << lines << 5 << "tv,liga";
    QTest::newRow("typed line sorting before") << "BL" << lines << 6 << "";
    QTest::newRow("empty memo") << "BL"
                                << "" << 0 << "";
}

void TestCodeGenScreen::doubleClick()
{
    QFETCH(QString, memo);
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, line);
    QPlainTextEdit* target = memo == u"TL" ? window->mmInfoTLCodeGen : window->mmInfoCodeGen;
    target->setPlainText(text);
    placeCaret(target, caret);

    memo == u"TL" ? window->mmInfoTLCodeGenDblClick() : window->mmInfoCodeGenDblClick();

    if (line.isEmpty()) {
        QCOMPARE(sent.size(), 0);
        QCOMPARE(window->logLines(), QStringList {logBefore});
    } else {
        QCOMPARE(sent, QList<QStringList> {{line}});
        QCOMPARE(window->logLines(), QStringList {line});
    }
    QCOMPARE(target->toPlainText(), text);
}

// The real event: the caret goes to the line under the mouse, wherever it stood before.
void TestCodeGenScreen::doubleClickWithTheMouse()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (QPlainTextEdit* memo : {window->mmInfoCodeGen, window->mmInfoTLCodeGen}) {
        window->TabControl1->setCurrentWidget(memo->parentWidget());
        memo->setPlainText(recording + "\nsendrf,1,12,1,1700,49000\n// Codigo para Ligar L1");
        placeCaret(memo, 0);
        const QPoint onSecondLine =
            memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(1))).center() + QPoint(2, 0);
        QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, onSecondLine);
        const QPoint onThirdLine =
            memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(2))).center() + QPoint(2, 0);
        QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, onThirdLine);
    }
    QCOMPARE(sent, (QList<QStringList> {{"sendrf,1,12,1,1700,49000"}, {"sendrf,1,12,1,1700,49000"}}));
}

// A send line longer than the memo is wide fills its first screen line instead of breaking
// after "sendrf," (the generator memos wrap as the log does).
void TestCodeGenScreen::longLinesWrapAnywhere_data()
{
    QTest::addColumn<QString>("memo");
    QTest::newRow("log") << "mmInfo";
    QTest::newRow("TC2 generator") << "mmInfoCodeGen";
    QTest::newRow("TL generator") << "mmInfoTLCodeGen";
}

void TestCodeGenScreen::longLinesWrapAnywhere()
{
    QFETCH(QString, memo);
    auto* m = window->findChild<QPlainTextEdit*>(memo);
    QVERIFY(m);
    window->resize(500, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->TabControl1->setCurrentWidget(memo == "mmInfoTLCodeGen" ? window->TabItem4 : window->TabItem3);
    QStringList durations;
    for (int i = 0; i < 120; ++i)
        durations << QString::number(300 + i * 7);
    m->setPlainText("sendrf,1,20,1," + durations.join(','));
    QApplication::processEvents();
    const QTextLayout* layout = m->document()->firstBlock().layout();
    QVERIFY(layout && layout->lineCount() > 1);
    QVERIFY2(layout->lineAt(0).textLength() > 20, qPrintable(QString::number(layout->lineAt(0).textLength())));
}

QTEST_MAIN(TestCodeGenScreen)
#include "test_codegen_screen.moc"
