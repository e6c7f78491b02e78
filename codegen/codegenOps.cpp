// The frames and lines are pure (broadLinkGCode, tLightSmartGCode, generatedLines); this
// file reads the tabs' controls and writes the memos.
#include "codegen/codegenOps.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>

#include "codegen/broadLinkGCode.h"
#include "codegen/tLightSmartGCode.h"
#include "link/logSink.h"

namespace {

// A double-click in a memo: the caret goes to the clicked place first, so the line under
// the caret is the clicked one whatever events came before; the memo then handles the
// double-click as usual.
class TDoubleClickHook : public QObject {
public:
    TDoubleClickHook(QPlainTextEdit* memo, std::function<void()> action)
        : QObject(memo), memo_(memo), action_(std::move(action))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            memo_->setTextCursor(memo_->cursorForPosition(mouse->position().toPoint()));
            action_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPlainTextEdit* memo_;
    std::function<void()> action_;
};

void appendLines(QPlainTextEdit* memo, const QStringList& lines)
{
    for (const QString& line : lines)
        memo->appendPlainText(line);
}

}  // namespace

TCodeGenOps::TCodeGenOps(TLog& log, const TCodeGenControls& ui, std::function<void()> send)
    : sendCommandLine(std::move(send)), log_(log), ui_(ui)
{
}

void TCodeGenOps::attach()
{
    for (QPlainTextEdit* memo : {ui_.mmInfoCodeGen, ui_.mmInfoTLCodeGen}) {
        const bool tl = memo == ui_.mmInfoTLCodeGen;
        memo->viewport()->installEventFilter(
            new TDoubleClickHook(memo, [this, tl] { tl ? mmInfoTLCodeGenDblClick() : mmInfoCodeGenDblClick(); }));
    }
}

void TCodeGenOps::Button5Click()
{
    ui_.mmInfoCodeGen->clear();
    int keys = 0;
    if (ui_.rbTC2_1->isChecked())
        keys = 1;
    else if (ui_.rbTC2_2->isChecked())
        keys = 2;
    else if (ui_.rbTC2_3->isChecked())
        keys = 3;
    if (keys == 0)
        return;
    appendLines(ui_.mmInfoCodeGen, tc2CodeLines(keys, randomByte));
}

void TCodeGenOps::Button7Click()
{
    // Earlier codes stay above the new one; the log holds only the newest line.
    const tlCode_t code = tlCodeLines(randomByte);
    appendLines(ui_.mmInfoTLCodeGen, code.memoLines);
    log_.clearLog();
    log_.logLine(code.infoLine);
}

void TCodeGenOps::mmInfoCodeGenDblClick()
{
    sendCaretLine(ui_.mmInfoCodeGen);
}

void TCodeGenOps::mmInfoTLCodeGenDblClick()
{
    sendCaretLine(ui_.mmInfoTLCodeGen);
}

void TCodeGenOps::sendCaretLine(const QPlainTextEdit* memo)
{
    const QTextBlock line = memo->textCursor().block();
    if (!line.isValid() || !isSendableLine(line.text()))
        return;
    log_.clearLog();
    log_.logLine(line.text());
    sendCommandLine();
}
