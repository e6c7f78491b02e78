// The log of each session, kept in a file under the user's data folder so that a problem
// can still be reported after the window was closed; and saving the log panel to a file
// the user picks ("Salvar log").
#pragma once

#include <QFile>
#include <QString>

class TSessionLog {
public:
    static constexpr qint64 defaultMaxBytes = 1024 * 1024;
    // OndixSetup.log.1 (the newest) to OndixSetup.log.3 are kept beside OndixSetup.log.
    static constexpr int keptFiles = 3;

    // Appends to `folder`/OndixSetup.log (the folder is made when missing). A file that
    // passes `maxBytes` moves to OndixSetup.log.1, the older ones one place on, the oldest
    // is removed. Nothing is written when the folder cannot be made or the file opened.
    explicit TSessionLog(const QString& folder, qint64 maxBytes = defaultMaxBytes);
    ~TSessionLog();  // writes the end of the session
    TSessionLog(const TSessionLog&) = delete;
    TSessionLog& operator=(const TSessionLog&) = delete;

    // The user's data folder of the application (QStandardPaths::AppLocalDataLocation).
    static QString defaultFolder();
    static QString fileName() { return QStringLiteral("OndixSetup.log"); }

    QString path() const { return file_.fileName(); }
    bool isOpen() const { return file_.isOpen(); }
    // One entry: each line of `text` behind the local date and time, written at once.
    void write(const QString& text);

private:
    void rotate();

    QFile file_;
    qint64 maxBytes_;
};

// Writes `text` (UTF-8, with a final line end) to `path`, replacing the file only once the
// whole text is written. Empty on success, else the reason in the tool's words.
QString saveLogText(const QString& path, const QString& text);
