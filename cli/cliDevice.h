// The device side of `ondix`: one session with its exchange and API, the -v trace, the
// check of UDP port 4040 and the choice of the unit a command goes to.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

#include "cli/cliOptions.h"
#include "cli/cliOutput.h"
#include "device/deviceApi.h"
#include "link/deviceSession.h"
#include "link/exchange.h"
#include "link/logSink.h"

namespace ondixcli {

// The cable reports its state to a log (userConnect): the tool reports from the results, so
// lines are only kept.
class TQuietLog : public TLog {
public:
    void logLine(const QString& line) override { lines_ << line; }
    void clearLog() override { lines_.clear(); }
    QStringList logLines() const override { return lines_; }
    void setStatus(const QString&) override { }

private:
    QStringList lines_;
};

// Where the tool writes: data, and messages.
struct TConsole {
    QTextStream& out;
    QTextStream& err;
    bool errIsTerminal = false;
};

class TCliDevice {
public:
    TCliDevice(const TCliOptions& options, TConsole& console);

    ondixdevice::TDeviceApi& api() { return api_; }
    TDeviceSession& session() { return session_; }

    // Empty when UDP port 4040 can be used; otherwise the line that says why not.
    QString portProblem() const;

    // The unit a command goes to; nullopt with the exit code set when there is none.
    struct TTarget {
        TLinkKind link = TLinkKind::Usb;
        QString host;  // network: where the unit answers
        std::optional<deviceinfo::Record> record;  // as found, when a probe or search found it
    };
    std::optional<TTarget> choose(int& exitCode, bool cableOnly = false);

    // list: the cable's unit, if any, then every unit that answered the search.
    QList<TUnitView> findAll(int& exitCode);

private:
    std::optional<TUnitView> probeCable();
    std::optional<ondixdevice::TSearchResult> searchNetwork(int& exitCode);
    void trace();

    const TCliOptions& options_;
    TConsole& console_;
    TDeviceSession session_;
    TQuietLog log_;
    TExchange exchange_;
    ondixdevice::TDeviceApi api_;
};

}  // namespace ondixcli
