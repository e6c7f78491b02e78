#include "capture/memoFill.h"

#include <QEventLoop>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QThread>

#include <functional>
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

// Runs `work` on a worker thread and returns when it is done, processing events meanwhile.
void runBesideEventLoop(const std::function<void()>& work)
{
    QEventLoop waiting;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec();
    worker.join();
}

}  // namespace

void setMemoLines(QPlainTextEdit* memo, std::vector<std::string> lines)
{
    if (lines.size() < linesWorthAThread) {
        memo->setPlainText(joinedLines(lines));
        return;
    }
    QTextDocument* previous = memo->document();
    const QFont font = previous->defaultFont();
    QThread* uiThread = QThread::currentThread();
    QTextDocument* built = nullptr;
    // The worker creates and fills the document and hands it over to this thread; nothing
    // else is shared while it runs.
    runBesideEventLoop([&] {
        auto* document = new QTextDocument;
        document->setUndoRedoEnabled(false);
        document->setDefaultFont(font);
        document->setPlainText(joinedLines(lines));
        document->moveToThread(uiThread);
        built = document;
    });

    const bool undo = previous->isUndoRedoEnabled();
    const QPointer<QTextDocument> old(previous);  // the text control may delete it
    built->setDocumentLayout(new QPlainTextDocumentLayout(built));
    built->setParent(memo);
    memo->setDocument(built);
    built->setUndoRedoEnabled(undo);
    // The memo's first document belongs to its text control, which deletes it when replaced.
    // One set here before is the memo's: thousands of blocks, which take a few milliseconds
    // to free, so a worker frees them, the document detached from every thread first.
    if (old && old->parent() == memo) {
        QTextDocument* freed = old;
        freed->setParent(nullptr);
        freed->moveToThread(nullptr);
        runBesideEventLoop([freed] { delete freed; });
    }
}
