// How long the window's event loop stalls while the library tab lists a library of 10000 IR
// codes: opening the file (read on a worker thread, then listed), typing a search into the
// box one letter at a time and clearing it, and scrolling the list from top to bottom a page
// at a time. A 1 ms timer on the window's thread records the worst gap and the thread's own
// processor time in it (bench/gapRecorder.h); the same window left idle for as long gives the
// machine's own noise. Goal: no gap over 16 ms while listing.
//
//   bench_library_window [--runs N]     (default 5; figures are medians over the runs)
#include "app/dialogs.h"
#include "app/libraryModel.h"
#include "app/mainUnit.h"
#include "bench/benchLibrary.h"
#include "bench/benchStats.h"
#include "bench/gapRecorder.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

// Runs the event loop for `ms`.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `steps` actions `everyMs` apart with the event loop running between them.
void paced(int steps, int everyMs, const std::function<void(int)>& step)
{
    QEventLoop loop;
    int done = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(everyMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (done == steps) {
            loop.quit();
            return;
        }
        step(done++);
    });
    timer.start();
    loop.exec();
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = benchstats::benchRuns(argc, argv, 5);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());  // the remembered library stays here
    QApplication app(argc, argv);
    TDialogs::setScripted(true);

    const QString path = home.filePath("grande.json");
    {
        TSiteLibrary lib = benchLibrary();
        if (!lib.save(path).isEmpty())
            return 1;
    }

    TfmPrincipal window(nullptr, false);
    window.resize(1280, 900);
    window.show();
    window.TabControl1->setCurrentWidget(window.tabLibrary);
    spin(300);

    const QString typed = "controle 123 tecla 3";
    enum { idle, open, search, scroll, phases };
    const char* const names[] = {"idle", "open and list", "search typed", "scroll"};
    benchstats::TGapRuns gaps[phases];
    int listed[phases] = {};
    for (int run = 0; run < runs; ++run) {
        for (int phase = 0; phase < phases; ++phase) {
            benchstats::TGapRecorder recorder;
            recorder.start();
            switch (phase) {
            case idle:
                spin(1500);
                break;
            case open: {
                QEventLoop loop;
                QObject::connect(&window.library, &TLibraryOps::opened, &loop, &QEventLoop::quit);
                window.library.open(path);
                loop.exec();
                spin(200);  // the list painted
                break;
            }
            case search:
                // One letter every 60 ms, then the box cleared: every code listed again.
                paced(int(typed.size()) + 1, 60,
                    [&](int i) { window.edSearchCode->setText(i < typed.size() ? typed.left(i + 1) : QString()); });
                spin(100);
                break;
            case scroll: {
                QScrollBar* bar = window.tvCodes->verticalScrollBar();
                const int pages = 150;
                paced(pages + 1, 10, [&](int i) { bar->setValue(i == pages ? 0 : bar->maximum() * i / (pages - 1)); });
                spin(100);
                break;
            }
            default:
                break;
            }
            recorder.stop();
            gaps[phase].add(recorder);
            listed[phase] = window.libraryCodes->rowCount();
        }
    }

    std::printf("library of 10000 IR codes, %d runs, 1 ms ping timer on the window's thread\n", runs);
    std::printf("%-14s | %s | listed\n", "phase", benchstats::gapHeader());
    double worstListing = 0;
    for (int phase = 0; phase < phases; ++phase) {
        std::printf("%-14s | ", names[phase]);
        benchstats::printGapColumns(gaps[phase]);
        std::printf(" | %d\n", listed[phase]);
        if (phase != idle)
            worstListing = std::max(worstListing, benchstats::median(gaps[phase].wall));
    }
    std::printf("listing: median of the worst gaps %.2f ms (goal: <= 16 ms) %s\n", worstListing,
        worstListing <= 16.0 ? "met" : "NOT MET");
    window.library.library() = TSiteLibrary();
    window.close();
    return 0;
}
