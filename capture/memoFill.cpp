#include "capture/memoFill.h"

#include <QEventLoop>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QThread>

#include <thread>

namespace {

// Below this many lines the document is built in place: a thread would cost more than it saves.
constexpr size_t linesWorthAThread = 1000;

QString joinedLines(const std::vector<std::string>& lines)
{
    size_t length = 0;
    for (const std::string& line : lines)
        length += line.size() + 1;
    QString text;
    text.reserve(qsizetype(length));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text.append(QLatin1Char('\n'));
        text.append(QLatin1StringView(lines[i].data(), qsizetype(lines[i].size())));
    }
    return text;
}

} // namespace

void setMemoLines(QPlainTextEdit* memo, std::vector<std::string> lines)
{
    if (lines.size() < linesWorthAThread) {
        memo->setPlainText(joinedLines(lines));
        return;
    }
    QTextDocument* previous = memo->document();
    const QFont font = previous->defaultFont();
    QThread* uiThread = QThread::currentThread();
    QEventLoop waiting;
    QTextDocument* built = nullptr;
    // The document is created, filled and handed over to this thread by the worker; nothing
    // else is shared while it runs.
    std::thread worker([&] {
        auto* document = new QTextDocument;
        document->setUndoRedoEnabled(false);
        document->setDefaultFont(font);
        document->setPlainText(joinedLines(lines));
        document->moveToThread(uiThread);
        built = document;
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    worker.join();

    const bool undo = previous->isUndoRedoEnabled();
    const QPointer<QTextDocument> old(previous);
    built->setDocumentLayout(new QPlainTextDocumentLayout(built));
    built->setParent(memo);
    memo->setDocument(built);
    built->setUndoRedoEnabled(undo);
    // The memo's own first document goes with the memo's text control; one set here before
    // belongs to the memo and goes now.
    if (old && old->parent() == memo)
        delete old;
}
