// The two generator tabs in the window: what a click leaves in the memos and the log, and
// which double-clicked lines are sent. Sending is a stub that records the log.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QtTest>

#include "app/dialogs.h"
#include "codegen/broadLinkGCode.h"
#include "codegen/tLightSmartGCode.h"
#include "tests/support/fakeHidWaiter.h"
#include "tools/fakehid/fakehid.h"

using namespace Qt::StringLiterals;

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

    // "Gerar códigos" replaces the memo with the lines for the switch size checked; the log is
    // left alone and nothing is sent.
    void switchCodes()
    {
        for (const int keys : {1, 2}) {
            window->mmInfoCodeGen->setPlainText(QStringLiteral("códigos anteriores"));
            window->findChild<QRadioButton*>(QStringLiteral("rbTC2_%1").arg(keys))->setChecked(true);
            window->codeGen.randomByte = counting();
            QTest::mouseClick(window->Button5, Qt::LeftButton);
            QCOMPARE(window->mmInfoCodeGen->toPlainText(), tc2CodeLines(keys, counting()).join(u'\n'));
        }
        QCOMPARE(window->logLines(), QStringList {logBefore});
        QCOMPARE(sent.size(), 0);
    }

    // Each click adds a code under the earlier ones; the log holds only the newest line, for
    // the user to send.
    void tlCodes()
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
    // a comment is not sent (the rule itself: test_codegen).
    void doubleClick()
    {
        // the memo, the caret's line, what is sent (empty: nothing)
        for (const auto& [memo, caret, line] : {std::tuple {u"BL"_s, 1, u"sendrf,1,20,1,40500,1650"_s},
                 {u"BL"_s, 0, QString()}, {u"TL"_s, 3, u"tv,liga"_s}}) {
            cleanup();
            init();
            const QString text = recording + "\nsendrf,1,20,1,40500,1650\n\ntv,liga";
            QPlainTextEdit* target = memo == u"TL" ? window->mmInfoTLCodeGen : window->mmInfoCodeGen;
            target->setPlainText(text);
            placeCaret(target, caret);

            memo == u"TL" ? window->mmInfoTLCodeGenDblClick() : window->mmInfoCodeGenDblClick();

            QCOMPARE(sent, line.isEmpty() ? QList<QStringList> {} : QList<QStringList> {{line}});
            QCOMPARE(window->logLines(), QStringList {line.isEmpty() ? logBefore : line});
            QCOMPARE(target->toPlainText(), text);
        }
    }
};

QTEST_MAIN(TestCodeGenScreen)
#include "test_codegen_screen.moc"
