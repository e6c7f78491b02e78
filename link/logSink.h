// What an operation needs of the window to tell the user something: the log memo's lines
// and the status bar. Operations and the exchange helper talk to this, never to the window.
#pragma once

#include <QString>
#include <QStringList>

class TLog {
public:
    virtual ~TLog() = default;
    virtual void logLine(const QString& line) = 0;  // appends one line to the log
    virtual void clearLog() = 0;  // removes every line of the log
    virtual QStringList logLines() const = 0;  // the log's lines
    virtual void setStatus(const QString& text) = 0;  // the status bar's one line
};
