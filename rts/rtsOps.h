// The "Controles RTS" tab: reading and writing the remote table the device keeps, the
// grid that shows it, driving the selected remote (UP, STOP, DOWN), deleting one, and
// adding a remote through the add dialog. Driving and adding compose a "sendrf_rc" line,
// put it alone into the log and hand it to the window's command-line sending.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/deviceApi.h"
#include "link/deviceSession.h"
#include "rts/rtsTable.h"

class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QWidget;
class TExchange;
class TLog;

struct TRtsControls {
    QWidget* TabControl1 = nullptr;
    QWidget* Button2 = nullptr;  // read settings: kept out of reach while the table is read
    QWidget* Button3 = nullptr;  // write settings: its cursor is reset with the groups
    QWidget* GroupBox1 = nullptr;
    QWidget* GroupBox2 = nullptr;
    QPlainTextEdit* mmInfo = nullptr;
    QWidget* bbSendComd = nullptr;
    QWidget* pnControlesRTS = nullptr;
    QWidget* pnCommand = nullptr;
    QTableWidget* sgRTSCodes = nullptr;
    std::array<QLineEdit*, 4> ip {};  // IP_4 ... IP_1
};

class TRtsOps {
public:
    // `ui` is read at every call: it may be filled after construction. `selectedRow` is the
    // window's rtsSelectedRow. `send` sends the log's text as one command line
    // (the window's bbSendComdClick).
    TRtsOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TRtsControls& ui, int32_t& selectedRow,
        std::function<void()> send);

    // Sends the log's text as one command line; tests put a stub here.
    std::function<void()> sendCommandLine;
    // True, with the user told so, while the device is busy with another operation; the
    // window binds it to the console's. Unbound: whether an exchange waits, said nowhere.
    std::function<bool()> refuseWhenBusy;

    eepromRemoteData_t rtsTable;  // last table read, or rebuilt for writing
    std::vector<rtsRemote_t> rtsRemoteList;  // one copy per grid row, in row order
    // Called with the table as it stands before a confirmed deletion changes it (the window
    // keeps a backup); what it returns goes to the status bar once the deletion is done.
    std::function<QString(const eepromRemoteData_t&)> beforeDelete;
    // Bytes of new remote identifiers; empty: the system-seeded generator.
    TRtsByteSource randomByte;

    // ---- the table on the device -----------------------------------------------------
    // True when the table was read (and shown).
    bool getRTS(TLinkKind link, eepromRemoteData_t* table);
    void setRTS(TLinkKind link, eepromRemoteData_t* table);
    void parseRemotes(eepromRemoteData_t* table);

    // ---- the screen -------------------------------------------------------------------
    void TabItem5Click();
    void bbRefreshRemotesClick();
    // The remote of `row` is chosen (-1: none): UP, STOP and DOWN drive it, or nothing.
    void sgRTSCodesSelectCell(int row);
    // The grid's highlighted row changed, by the mouse or the keyboard.
    void gridSelectionChanged();
    void sgRTSCodesClick();
    void commandClick(TRtsAction action);  // SpeedButton1..3: UP, STOP, DOWN
    void bbDeleteRemoteClick();
    void bbAddRemoteClick(bool tube);  // bbAddSomfy (false), bbAddTube (true)
    // The add dialog's "Adicionar": the PROG line under a new identifier, then a refresh.
    // False when refused because the device is busy: the dialog stays open.
    bool addRemote(bool tube);

    // Installs what signals cannot express: the click anywhere on the grid.
    void attach();

private:
    void sendLine(const QString& line);
    bool busyRefused();

    TDeviceSession& session_;
    TExchange& exchange_;
    ondixdevice::TDeviceApi api_;
    TLog& log_;
    const TRtsControls& ui_;
    int32_t& selectedRow_;
};
