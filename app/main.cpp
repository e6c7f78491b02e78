// Entry: the application, the main window, the event loop.
#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "app/sessionLog.h"
#include "app/singleInstance.h"
#include "app/splashUnit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace {

// With ONDIX_TRACE_STARTUP set, prints the milliseconds from entry to the first painting
// of the splash and of the main window (start-up measurements).
class TStartupTrace : public QObject {
public:
    TStartupTrace() { clock_.start(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (!splashSeen_ && qobject_cast<TfmSplash*>(watched)) {
                splashSeen_ = true;
                std::printf("startup: splash painted after %lld ms\n", static_cast<long long>(clock_.elapsed()));
                std::fflush(stdout);
            } else if (!windowSeen_ && qobject_cast<TfmPrincipal*>(watched)) {
                windowSeen_ = true;
                std::printf("startup: main window painted after %lld ms\n", static_cast<long long>(clock_.elapsed()));
                std::fflush(stdout);
            }
        }
        return false;
    }

private:
    QElapsedTimer clock_;
    bool splashSeen_ = false;
    bool windowSeen_ = false;
};

// Shows an exception that escapes an event handler instead of ending the program.
class TOndixApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, QStringLiteral("OndixSetup"), QString::fromLocal8Bit(e.what()));
        } catch (...) {
            QMessageBox::critical(nullptr, QStringLiteral("OndixSetup"), QStringLiteral("Erro desconhecido"));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    TStartupTrace trace;
#ifdef ONDIX_EMULATED_CABLE
    // The demonstration build keeps its session log apart from the real tool's.
    QCoreApplication::setApplicationName(QStringLiteral("OndixSetup-usbsim"));
#else
    QCoreApplication::setApplicationName(QStringLiteral("OndixSetup"));
#endif
    TOndixApplication app(argc, argv);
    // Standard buttons and dialogs in Portuguese; without Qt's translations they stay English.
    TDialogs::installStandardTranslations();
    if (qEnvironmentVariableIsSet("ONDIX_TRACE_STARTUP"))
        app.installEventFilter(&trace);

    TSingleInstance instance;
    if (!instance.acquire()) {
        const QString text =
            QStringLiteral("O OndixSetup já está aberto neste computador. Use a janela que já está aberta: "
                           "só uma cópia por vez pode receber as respostas das Ondix na porta UDP 4040.");
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        QMessageBox::information(nullptr, QStringLiteral("OndixSetup"), text);
        return 1;
    }

    // Declared before the window, so that it outlives everything the window logs.
    TSessionLog sessionLog(TSessionLog::defaultFolder());
    TfmPrincipal window;  // sets fmPrincipal
    window.setSessionLog(&sessionLog);
    // Whatever the guard found and refused at its place (someone else's file, say) is told.
    for (const QString& line : instance.problems()) {
        window.logLine(line);
        std::fprintf(stderr, "OndixSetup: %s\n", line.toLocal8Bit().constData());
    }
#ifdef ONDIX_EMULATED_CABLE
    window.setTitleBase(window.windowTitle() + QStringLiteral(" (cabo USB emulado)"));
#endif
    // The library worked on last time; one that is gone or refused is said in the log.
    window.library.openLast();
    QObject::connect(&instance, &TSingleInstance::activationRequested, &window, [&window] {
        if (window.isMinimized())
            window.showMaximized();
        window.raise();
        window.activateWindow();
    });
    window.showMaximized();
    app.exec();
    return 0;
}
