#include "capture/memoFill.h"

#include <QEventLoop>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Lines added in one turn of the event loop: about a millisecond of work each.
constexpr size_t linesPerSlice = 400;

// Each fill or emptying of a memo takes the next number; a fill whose number is no longer
// the memo's stops.
const char* const fillNumberProperty = "memoFillNumber";
// Whether the memo keeps an undo history: noted before the first fill, which turns it off
// while it runs.
const char* const undoProperty = "memoFillUndo";

quint64 nextFillNumber(QPlainTextEdit* memo)
{
    const quint64 number = memo->property(fillNumberProperty).toULongLong() + 1;
    memo->setProperty(fillNumberProperty, number);
    return number;
}

QString joinedLines(const std::vector<std::string>& lines, size_t from, size_t to)
{
    size_t length = 0;
    for (size_t i = from; i < to; ++i)
        length += lines[i].size() + 1;
    QString text;
    text.reserve(qsizetype(length));
    for (size_t i = from; i < to; ++i) {
        if (i > 0)
            text.append(QLatin1Char('\n'));
        text.append(QLatin1StringView(lines[i].data(), qsizetype(lines[i].size())));
    }
    return text;
}

// Gives the heap's free pages back to the system. Only the GNU C library keeps large freed
// blocks of many small allocations without returning them; elsewhere nothing is to be done.
void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// Frees a replaced document beside the event loop: thousands of blocks take milliseconds to
// free. The document is detached from every thread first, so any thread may delete it.
void freeBeside(QTextDocument* document)
{
    document->setParent(nullptr);
    document->moveToThread(nullptr);
    QThreadPool::globalInstance()->start([document] {
        delete document;
        returnFreedMemory();
    });
}

// Gives the memo a new empty document like its current one and frees the current one.
QTextDocument* replaceDocument(QPlainTextEdit* memo)
{
    QTextDocument* previous = memo->document();
    if (!memo->property(undoProperty).isValid())
        memo->setProperty(undoProperty, previous->isUndoRedoEnabled());
    auto* fresh = new QTextDocument(memo);
    fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
    fresh->setDefaultFont(previous->defaultFont());
    fresh->setDefaultTextOption(previous->defaultTextOption());
    fresh->setDocumentMargin(previous->documentMargin());
    fresh->setUndoRedoEnabled(memo->property(undoProperty).toBool());
    // The memo's first document belongs to its text control, which deletes it when it is
    // replaced; one set here before belongs to the memo.
    const QPointer<QTextDocument> old(previous);
    memo->setDocument(fresh);
    if (old && old->parent() == memo)
        freeBeside(old);
    return fresh;
}

}  // namespace

void setMemoLines(QPlainTextEdit* memo, std::vector<std::string> lines)
{
    const quint64 number = nextFillNumber(memo);
    replaceDocument(memo)->setUndoRedoEnabled(false);  // the lines are no edit to undo
    const QPointer<QPlainTextEdit> alive(memo);
    // While no later fill or emptying has come, the memo's document is the one being filled.
    const auto stillFilling = [&] { return alive && alive->property(fillNumberProperty).toULongLong() == number; };
    size_t next = 0;
    // Adds the next slice; false once every line is in or the fill has been cut short.
    const auto addSlice = [&]() -> bool {
        if (!stillFilling())
            return false;
        const size_t end = std::min(lines.size(), next + linesPerSlice);
        QTextCursor cursor(alive->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(joinedLines(lines, next, end));
        next = end;
        return next < lines.size();
    };
    if (addSlice()) {
        QEventLoop filling;
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, &filling, [&] {
            if (!addSlice())
                filling.quit();
        });
        turn.start();
        filling.exec();
    }
    if (stillFilling())
        alive->document()->setUndoRedoEnabled(alive->property(undoProperty).toBool());
}

void clearMemo(QPlainTextEdit* memo)
{
    nextFillNumber(memo);
    if (!memo->document()->isEmpty())
        replaceDocument(memo);
}
