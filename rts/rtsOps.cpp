// The table codec and the command lines are pure (rtsTable) and the table exchanges are the
// device API's; this file keeps the grid and the list in step with the table, and drives
// the add dialog.
#include "rts/rtsOps.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <optional>

#include "app/busyControls.h"
#include "app/dialogs.h"
#include "discovery/deviceDisplay.h"
#include "link/exchange.h"
#include "link/logSink.h"
#include "rts/remoteProgUnit.h"

namespace {

constexpr int addPausePolls = 30;  // about 300 ms for the device to store the new remote

// A click anywhere on the grid, rows or not: item signals only cover clicks on a row.
class TGridClickHook : public QObject {
public:
    TGridClickHook(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) { }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            action_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> action_;
};

}  // namespace

TRtsOps::TRtsOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TRtsControls& ui, int32_t& selectedRow,
    std::function<void()> send)
    : sendCommandLine(std::move(send)), session_(session), exchange_(exchange), api_(session, exchange), log_(log),
      ui_(ui), selectedRow_(selectedRow)
{
}

void TRtsOps::attach()
{
    QWidget* area = ui_.sgRTSCodes->viewport();
    area->installEventFilter(new TGridClickHook(area, [this] { sgRTSCodesClick(); }));
}

bool TRtsOps::getRTS(TLinkKind link, eepromRemoteData_t* table)
{
    if (api_.busy())
        return false;  // another exchange is waiting for its answer
    const TBusyControls hold({ui_.Button2, ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo},
        {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    const ondixdevice::TRtsResult result =
        api_.readRts(link, link == TLinkKind::Network ? session_.deviceIP : QString());
    // The table is shown in the grid; the log keeps its lines. A refused table changes nothing.
    showResult(log_, result, false);
    if (result.ok()) {
        *table = result.table;
        parseRemotes(table);
    }
    return result.ok();
}

void TRtsOps::setRTS(TLinkKind link, eepromRemoteData_t* table)
{
    if (api_.busy())
        return;  // another exchange is waiting for its answer
    if (rtsWriteFrame(*table).isEmpty())
        return;  // a count beyond the table's room: nothing sensible to write

    const TBusyControls hold({ui_.TabControl1}, {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo},
        {ui_.GroupBox1, ui_.GroupBox2, ui_.mmInfo, ui_.Button3});
    if (link == TLinkKind::Network)
        log_.clearLog();

    // Over the network the write goes to the address in the boxes, like every other write;
    // a box that holds no address number is named and nothing is sent.
    QString host;
    if (link == TLinkKind::Network) {
        QString boxError;
        host = addressFromBoxes(ui_.ip, &boxError);
        if (host.isEmpty()) {
            log_.logLine(boxError);
            return;
        }
    }
    const ondixdevice::TResult result = api_.writeRts(link, host, *table);
    // Over the cable any answer means done, and the log shows only that.
    showResult(log_, result, link == TLinkKind::Usb);
}

void TRtsOps::parseRemotes(eepromRemoteData_t* table)
{
    // The remote chosen before, known by its identifier: its row may have moved.
    std::optional<std::array<uint8_t, 3>> chosen;
    if (selectedRow_ >= 0 && size_t(selectedRow_) < rtsRemoteList.size())
        chosen = rtsRemoteList[size_t(selectedRow_)].remoteId;

    const rtsGrid_t grid = ::parseRemotes(*table);
    rtsRemoteList = grid.remotes;
    QTableWidget* sg = ui_.sgRTSCodes;
    // Rows rebuilt here are no choice of the user's: the choice is set below.
    const QSignalBlocker quiet(sg);
    sg->setRowCount(0);
    sg->setRowCount(int(grid.rows.size()));
    for (int row = 0; row < grid.rows.size(); ++row)
        for (int column = 0; column < grid.rows[row].size(); ++column)
            sg->setItem(row, column, new QTableWidgetItem(grid.rows[row][column]));

    // The remote chosen stays chosen, and highlighted, wherever it now stands; when it is
    // gone nothing is chosen, so that no remote is driven without being shown.
    const int row = chosen ? rtsRowOfRemote(rtsRemoteList, *chosen, selectedRow_) : -1;
    if (row >= 0)
        sg->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    sgRTSCodesSelectCell(row);
}

void TRtsOps::TabItem5Click()
{
    if (ui_.pnControlesRTS->isEnabled())
        bbRefreshRemotesClick();
}

void TRtsOps::bbRefreshRemotesClick()
{
    if (const auto link = session_.route())
        getRTS(*link, &rtsTable);
}

void TRtsOps::sgRTSCodesSelectCell(int row)
{
    selectedRow_ = row;
    ui_.pnCommand->setEnabled(row >= 0);
}

void TRtsOps::gridSelectionChanged()
{
    const QModelIndexList rows = ui_.sgRTSCodes->selectionModel()->selectedRows();
    sgRTSCodesSelectCell(rows.isEmpty() ? -1 : rows.first().row());
}

void TRtsOps::sgRTSCodesClick()
{
    // A click on a row has chosen it already (the selection); one beside the rows chooses none.
    if (ui_.sgRTSCodes->rowCount() > 0 && selectedRow_ >= 0)
        ui_.pnCommand->setEnabled(true);
}

bool TRtsOps::busyRefused()
{
    return refuseWhenBusy ? refuseWhenBusy() : exchange_.busy();
}

void TRtsOps::sendLine(const QString& line)
{
    if (busyRefused())
        return;  // the log keeps what it shows
    log_.clearLog();
    log_.logLine(line);
    sendCommandLine();
}

void TRtsOps::commandClick(TRtsAction action)
{
    const QString line = rtsSelectedRemoteLine(rtsTable, selectedRow_, action);
    if (!line.isEmpty())
        sendLine(line);
}

void TRtsOps::bbDeleteRemoteClick()
{
    if (rtsTable.count == 0 || selectedRow_ < 0 || size_t(selectedRow_) >= rtsRemoteList.size())
        return;
    if (busyRefused())
        return;
    if (!TDialogs::messageDlg(ui_.sgRTSCodes->window(), QStringLiteral("Tem certeza que deseja apagar controle ?")))
        return;
    const QString backupNote = beforeDelete ? beforeDelete(rtsTable) : QString();
    rtsDeleteRemote(rtsTable, rtsRemoteList, selectedRow_);
    sgRTSCodesSelectCell(-1);  // the remote chosen is the one deleted
    parseRemotes(&rtsTable);
    if (const auto link = session_.route())
        setRTS(*link, &rtsTable);
    if (!backupNote.isEmpty())
        log_.setStatus(backupNote);
}

void TRtsOps::bbAddRemoteClick(bool tube)
{
    TfmRemoteProg* dialog = fmRemoteProg;
    if (!dialog)
        return;
    dialog->isTube = tube;
    dialog->onAdd = [this](bool isTube) { return addRemote(isTube); };
    // Kept up to date by the window while it is shown; brought up to date here.
    dialog->Button1->setEnabled(!exchange_.busy());
    dialog->show();
    dialog->raise();
}

bool TRtsOps::addRemote(bool tube)
{
    // Refused before the log changes: nothing may look sent.
    if (busyRefused())
        return false;
    // A fresh identifier for every addition, never one of the remotes last read: the
    // device would take the PROG for a remote it already has.
    const QString line = rtsCommandLine(TRtsAction::program, tube, rtsNewRemoteId(rtsTable, randomByte));
    log_.clearLog();
    log_.logLine(line);
    if (!ui_.bbSendComd->isEnabled()) {
        log_.clearLog();
        log_.logLine(QStringLiteral("Conecte a Ondix!"));
        return true;
    }
    sendCommandLine();
    // Give the device time to store the remote, with the event loop running (the waiter's
    // polls: a test's virtual clock moves instead of sleeping). The pause belongs to the
    // addition: nothing else may start in it and take the refresh's place.
    {
        const TExchange::TScope adding(exchange_);
        const auto closing = [this] { return exchange_.aborted(); };
        for (int i = 0; i < addPausePolls && !closing(); ++i)
            exchange_.waiter().poll(session_, closing);
    }
    bbRefreshRemotesClick();
    return true;
}
