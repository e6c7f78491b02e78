// The site library the window works on: the one open (or none), its file, whether it has
// unsaved changes, and the menu's create, open and save. Whatever changes the library (the
// window's tab, "Salvar código", the RTS backups, other dialogs given `library()`) calls
// `noteChanged()`, and everything that shows it follows `changed()`.
//
// Opening reads and checks the file on a worker thread, so that a large library never holds
// the window up; the library in memory is replaced only once the file was read whole.
#pragma once

#include <QObject>
#include <QString>

#include <QThread>

#include <memory>

#include "library/siteLibrary.h"

class QWidget;
class TLog;

class TLibraryOps : public QObject {
    Q_OBJECT
public:
    // `parent` is the window the dialogs belong to; `log` gets the start-up lines.
    TLibraryOps(QWidget* parent, TLog& log);
    ~TLibraryOps() override;

    TSiteLibrary& library() { return library_; }
    const TSiteLibrary& library() const { return library_; }
    // A library is open (created or opened): its file is `path()`.
    bool isOpen() const { return !path_.isEmpty(); }
    const QString& path() const { return path_; }
    // "casa.json", empty when none is open.
    QString fileName() const;
    bool modified() const { return isOpen() && library_.modified(); }
    // A file is being read.
    bool loading() const { return loader_ != nullptr; }

    // After any change made to `library()`.
    void noteChanged() { emit changed(); }

    // ---- the menu --------------------------------------------------------------------
    // "Nova biblioteca...": asks where, writes an empty library there and works on it.
    void newLibraryClick();
    // "Abrir biblioteca...": asks which file and opens it.
    void openLibraryClick();
    // "Salvar biblioteca": writes the library to its file (an error box when that fails).
    // True when written.
    bool saveLibraryClick();

    // Unsaved changes: asks Salvar / Descartar / Cancelar. True when the caller may go on
    // (saved, discarded, or nothing to save).
    bool confirmLeave();

    // Starts reading `path`; the library in memory stays until the file was read whole. A
    // refusal is shown in an error box and changes nothing; `atStart`: in the log instead.
    void open(const QString& path, bool atStart = false);
    // The library open when the window last worked on one, if any (at start).
    void openLast();

    // Settings key of the last library's path.
    static QString lastPathKey();

signals:
    // The library, its file or its modified state may have changed.
    void changed();
    // A read started by `open` ended (`error` empty: the library is the file's now).
    void opened(const QString& error);

private:
    void remember(const QString& path);
    void loaded(const QString& path, std::shared_ptr<TSiteLibrary> read, const QString& error, bool atStart);
    QString folder() const;
    void dispose(TSiteLibrary&& old);

    QWidget* parent_;
    TLog& log_;
    TSiteLibrary library_;
    QString path_;
    QThread* loader_ = nullptr;
    std::unique_ptr<QThread> disposer_;  // frees the library an open replaced
};
