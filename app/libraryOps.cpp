#include "app/libraryOps.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include "app/dialogs.h"
#include "link/logSink.h"

namespace {

const QString fileFilter = QStringLiteral("Biblioteca OndixSetup (*.json)");

QSettings toolSettings()
{
    return QSettings(QStringLiteral("OndixSetup"), QCoreApplication::applicationName());
}

}  // namespace

// Not the window's child: the window holds it as a member.
TLibraryOps::TLibraryOps(QWidget* parent, TLog& log) : parent_(parent), log_(log) { }

TLibraryOps::~TLibraryOps()
{
    // The reader only touches its own library; it is let finish, not cut short.
    if (loader_)
        loader_->wait();
    if (disposer_)
        disposer_->wait();
}

void TLibraryOps::dispose(TSiteLibrary&& old)
{
    if (disposer_)
        disposer_->wait();
    auto gone = std::make_shared<TSiteLibrary>(std::move(old));
    disposer_.reset(QThread::create([gone]() mutable { gone.reset(); }));
    disposer_->start(QThread::IdlePriority);
}

QString TLibraryOps::lastPathKey()
{
    return QStringLiteral("biblioteca/ultima");
}

QString TLibraryOps::fileName() const
{
    return isOpen() ? QFileInfo(path_).fileName() : QString();
}

QString TLibraryOps::folder() const
{
    if (isOpen())
        return QFileInfo(path_).absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void TLibraryOps::remember(const QString& path)
{
    toolSettings().setValue(lastPathKey(), QFileInfo(path).absoluteFilePath());
}

bool TLibraryOps::confirmLeave()
{
    if (!modified())
        return true;
    const auto choice = TDialogs::askSave(
        parent_, QStringLiteral("A biblioteca \"%1\" tem alterações não salvas. Salvar antes?").arg(fileName()));
    if (choice == TDialogs::TSaveChoice::save)
        return saveLibraryClick();
    return choice == TDialogs::TSaveChoice::discard;
}

void TLibraryOps::newLibraryClick()
{
    if (loading() || !confirmLeave())
        return;
    QString path = TDialogs::saveFileName(parent_, QStringLiteral("Nova biblioteca"),
        QDir(folder()).filePath(QStringLiteral("biblioteca.json")), fileFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    TSiteLibrary fresh;
    const QString error = fresh.save(path);
    if (!error.isEmpty()) {
        TDialogs::showError(parent_, error);
        return;
    }
    library_ = std::move(fresh);
    path_ = path;
    remember(path);
    log_.setStatus(QStringLiteral("Biblioteca criada: %1").arg(QDir::toNativeSeparators(path)));
    emit changed();
}

void TLibraryOps::openLibraryClick()
{
    if (loading() || !confirmLeave())
        return;
    const QString path = TDialogs::openFileName(parent_, QStringLiteral("Abrir biblioteca"), folder(), fileFilter);
    if (!path.isEmpty())
        open(path);
}

bool TLibraryOps::saveLibraryClick()
{
    if (!isOpen() || loading())
        return false;
    const QString error = library_.save(path_);
    if (!error.isEmpty()) {
        TDialogs::showError(parent_, error);
        return false;
    }
    remember(path_);
    log_.setStatus(QStringLiteral("Biblioteca salva em %1").arg(QDir::toNativeSeparators(path_)));
    emit changed();
    return true;
}

void TLibraryOps::openLast()
{
    const QString path = toolSettings().value(lastPathKey()).toString();
    if (!path.isEmpty())
        open(path, true);
}

void TLibraryOps::open(const QString& path, bool atStart)
{
    if (loading())
        return;
    auto read = std::make_shared<TSiteLibrary>();
    auto error = std::make_shared<QString>();
    loader_ = QThread::create([read, error, path] { *error = read->load(path); });
    connect(loader_, &QThread::finished, this, [this, read, error, path, atStart] {
        loader_->deleteLater();
        loader_ = nullptr;
        loaded(path, read, *error, atStart);
    });
    log_.setStatus(QStringLiteral("Abrindo a biblioteca %1 ...").arg(QDir::toNativeSeparators(path)));
    // Below the window's thread: on a busy machine the read waits, not the window.
    loader_->start(QThread::IdlePriority);
    emit changed();  // the menu and the buttons wait for the read
}

void TLibraryOps::loaded(const QString& path, std::shared_ptr<TSiteLibrary> read, const QString& error, bool atStart)
{
    if (!error.isEmpty()) {
        if (atStart)
            log_.logLine(error);
        else
            TDialogs::showError(parent_, error);
        log_.setStatus(QString());
    } else {
        // The library left goes away on a thread of its own, below the window's: freeing
        // thousands of codes would hold the window up about as long as reading them.
        dispose(std::move(library_));
        library_ = std::move(*read);
        path_ = path;
        remember(path);
        log_.setStatus(QStringLiteral("Biblioteca aberta: %1 (%2 códigos)")
                           .arg(QDir::toNativeSeparators(path))
                           .arg(library_.codes().size()));
    }
    emit changed();
    emit opened(error);
}
