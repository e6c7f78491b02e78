// The main window: builds every control, carries the documented names, and hands each
// device operation to the operations object of its subsystem. The links and the answer
// state belong to the device session; the documented state stays reachable here under its
// documented name.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/libraryOps.h"
#include "app/operationWatch.h"
#include "capture/learningOps.h"
#include "codegen/codegenOps.h"
#include "console/consoleOps.h"
#include "console/serviceOps.h"
#include "console/usbCommandOps.h"
#include "discovery/deviceInfo.h"
#include "discovery/discoveryOps.h"
#include "link/deviceSession.h"
#include "link/exchange.h"
#include "link/logSink.h"
#include "rts/rtsOps.h"
#include "settings/clockOps.h"
#include "settings/settingsOps.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTcpSocket;
class QTimer;
class QToolButton;
class QUdpSocket;
class QWidget;

class TCapturePlot;
class TLibraryCodesModel;
class TSessionLog;
class TSerialPort;
class TfmChooseOndix;
class TfmRemoteProg;

class TfmPrincipal : public QMainWindow, public TLog {
    Q_OBJECT
public:
    // showSplash: false in tests, which do not wait for the 2000 ms splash.
    explicit TfmPrincipal(QWidget* parent = nullptr, bool showSplash = true);
    ~TfmPrincipal() override;

    // ---- the device session and the exchange helper every operation goes through ----
    TDeviceSession session;
    TExchange exchange {session};

    // ---- documented state, owned by the session and the operations objects -----------
    std::unique_ptr<TSerialPort>& serialPort = session.serialPort;
    std::array<uint8_t, answerBufSize>& answerBuf = session.answerBuf;
    int32_t& answerReady = session.answerReady;
    int32_t& answerLen = session.answerLen;
    int32_t& answerFill = session.answerFill;
    bool& usbDeviceFound = session.usbDeviceFound;
    bool& netDeviceFound = session.netDeviceFound;
    QString& deviceIP = session.deviceIP;
    bool& discoveryActive = session.discoveryActive;
    QUdpSocket*& udpServer = session.udpServer;
    QTcpSocket*& tcpClient = session.tcpClient;

private:
    // The controls each operations object works on; filled once the widgets exist.
    TUsbCommandControls usbCommandUi_;
    TDiscoveryControls discoveryUi_;
    TLearningControls learningUi_;
    TSettingsControls settingsUi_;
    TClockControls clockUi_;
    TServiceControls serviceUi_;
    TConsoleControls consoleUi_;

public:
    TUsbCommandOps usbCommand {exchange, *this, usbCommandUi_};
    TDiscoveryOps discovery {session, exchange, *this, discoveryUi_};
    TLearningOps learning {session, exchange, *this, learningUi_};
    TSettingsOps settings {session, exchange, *this, settingsUi_};
    TClockOps deviceClock {session, exchange, *this, clockUi_};
    TServiceOps service {session, exchange, *this, serviceUi_, usbCommand};
    TConsoleOps console {session, exchange, *this, consoleUi_, service};
    // Whether an operation waits for the device, and the focus given back once none does.
    TOperationWatch operationWatch {this, [this] { return console.busy(); }};

    TfmChooseOndix* chooser = nullptr;
    QStringList& localAddresses = discovery.localAddresses;
    QStringList& broadcastAddresses = discovery.broadcastAddresses;
    std::vector<std::array<uint8_t, 50>>& foundDevices = discovery.foundDevices;
    int32_t& selectedDevice = discovery.selectedDevice;
    std::function<QList<QHostAddress>()>& localAddressSource = discovery.localAddressSource;
    int32_t& rfDivisor = learning.rfDivisor;  // divisor of the last RF learning request
    int32_t rtsSelectedRow = -1;

    // ---- log (TLog) ---------------------------------------------------------------------
    void logLine(const QString& line) override;  // appends one line to mmInfo
    void clearLog() override;  // removes every line of mmInfo
    QStringList logLines() const override;  // mmInfo's lines
    void setStatus(const QString& text) override;  // lbStatusBar
    // From now on every log line, status text and sent command line also goes to `log`
    // (the lines already in the log and the status first); null stops it.
    void setSessionLog(TSessionLog* log);
    // "Salvar log": the log's whole text into a file the user picks.
    void bbSaveLogClick();

    // ---- Application shell --------------------------------------------------------
    void FormCreate();
    void bbMenuClick();
    // Shown, it takes the focus (arrows choose, Enter acts, Escape closes); hidden, the
    // focus it had goes back to the menu button.
    void showOverflowMenu(bool show);
    void overflowMenuClick(int index);
    // The caption: "OndixSetup - Configuração Ondix", then the library's file name, with an
    // asterisk while it has unsaved changes. `base` replaces the first part.
    void updateTitle();
    void setTitleBase(const QString& base);

    // ---- USB link -----------------------------------------------------------------
    int userConnect() { return session.userConnect(*this); }
    void OnUSBReceive(const QByteArray& frame) { session.OnUSBReceive(frame); }

    // ---- command exchange ---------------------------------------------------------
    bool genericUSB_CMD_CMD(unsigned char code) { return usbCommand.genericUSB_CMD_CMD(code); }

    // ---- network link -------------------------------------------------------------
    void udpServerUDPRead(const QByteArray& datagram, const QHostAddress& sender)
    {
        session.udpServerUDPRead(datagram, sender);
    }
    bool sendDatagram(const QByteArray& frame, const QString& host) { return session.sendDatagram(frame, host); }
    QString addressFromBoxes() const { return ::addressFromBoxes({IP_4, IP_3, IP_2, IP_1}); }
    void tcpClientConnected() { session.tcpClientConnected(); }
    void tcpClientDisconnected() { session.tcpClientDisconnected(); }
    void tcpClientRead() { session.tcpClientRead(); }

    // ---- discovery ----------------------------------------------------------------
    void discoveryAnswer(const QByteArray& datagram, const QHostAddress& sender)
    {
        discovery.discoveryAnswer(datagram, sender);
    }
    static QList<QHostAddress> systemLocalAddresses() { return TDiscoveryOps::systemLocalAddresses(); }
    void GetLocalIPList(QStringList& local, QStringList& broadcast) { discovery.GetLocalIPList(local, broadcast); }
    bool findDeviceOnNetwork(const QString& target) { return discovery.findDeviceOnNetwork(target); }
    bool findDeviceOnSerialPort() { return discovery.findDeviceOnSerialPort(); }
    void bbFindDeviceClick() { discovery.bbFindDeviceClick(); }
    void TimerOndixFoundTimer() { discovery.TimerOndixFoundTimer(); }
    void upDateOndixData(int32_t index) { discovery.upDateOndixData(index); }
    void cbIPsChange(int index) { discovery.cbIPsChange(index); }
    deviceinfo::TDeviceDisplay showSettingsRecord(const uint8_t* record)
    {
        return ::showSettingsRecord(discoveryUi_.edits, record);
    }

    // ---- code capture -------------------------------------------------------------
    int findValidFrame() { return learning.findValidFrame(); }
    void bbLearningRFClick() { learning.bbLearningRFClick(); }
    void learningRFCode_byUSB() { learning.learningRFCode(TLinkKind::Usb); }
    void learningRFCode_byNetWork() { learning.learningRFCode(TLinkKind::Network); }
    void bbLearningIRClick() { learning.bbLearningIRClick(); }
    void learningIRCode_byUSB() { learning.learningIRCode(TLinkKind::Usb); }
    void learningIRCode_byNetWork() { learning.learningIRCode(TLinkKind::Network); }

    // ---- network settings ---------------------------------------------------------
    void Button2Click() { settings.Button2Click(); }
    void readToDevice_byUSB() { settings.readToDevice(TLinkKind::Usb); }
    void readToDevice_byNetWork() { settings.readToDevice(TLinkKind::Network); }
    void Button3Click() { settings.Button3Click(); }
    void writeToDevice_byUSB() { settings.writeToDevice(TLinkKind::Usb); }
    void writeToDevice_byNetWork() { settings.writeToDevice(TLinkKind::Network); }

    // ---- device clock -------------------------------------------------------------
    void getDate_byUSB() { deviceClock.getDate(TLinkKind::Usb); }
    void getDate_byNetWork() { deviceClock.getDate(TLinkKind::Network); }
    void setDate_byUSB() { deviceClock.setDate(TLinkKind::Usb); }
    void setDate_byNetWork() { deviceClock.setDate(TLinkKind::Network); }
    // The console's "getClock" and "setClock": network when found there, else the cable.
    void getClock() { deviceClock.getClock(); }
    void setClock() { deviceClock.setClock(); }

    // ---- service console ---------------------------------------------------------------
    // Sends the log's text as a command line over the routed link.
    void bbSendComdClick();
    void mmInfoKeyDown(int key) { console.mmInfoKeyDown(key); }
    void bbGravaMacAddrClick() { service.bbGravaMacAddrClick(); }
    void writeMACAddrToDevice_byUSB() { service.writeMACAddrToDevice(TLinkKind::Usb); }
    void writeMACAddrToDevice_byNetWork() { service.writeMACAddrToDevice(TLinkKind::Network); }
    void Button12Click() { service.Button12Click(); }
    void FirmwareUpdate() { service.FirmwareUpdate(); }
    // The console's keyword hooks (getClock, setClock, getRTS) are bound here.
    TConsoleControls& consoleControls() { return consoleUi_; }

private:
    TRtsControls rtsUi_;
    TCodeGenControls codeGenUi_;

public:
    // ---- RTS remotes ------------------------------------------------------------------
    TRtsOps rts {session, exchange, *this, rtsUi_, rtsSelectedRow, [this] { bbSendComdClick(); }};
    eepromRemoteData_t& rtsTable = rts.rtsTable;
    std::vector<rtsRemote_t>& rtsRemoteList = rts.rtsRemoteList;
    void getRTS_byUSB(eepromRemoteData_t* table) { rts.getRTS(TLinkKind::Usb, table); }
    void getRTS_byNetWork(eepromRemoteData_t* table) { rts.getRTS(TLinkKind::Network, table); }
    void setRTS_byUSB(eepromRemoteData_t* table) { rts.setRTS(TLinkKind::Usb, table); }
    void setRTS_byNetWork(eepromRemoteData_t* table) { rts.setRTS(TLinkKind::Network, table); }
    void parseRemotes(eepromRemoteData_t* table) { rts.parseRemotes(table); }
    void TabItem5Click() { rts.TabItem5Click(); }
    void bbRefreshRemotesClick() { rts.bbRefreshRemotesClick(); }
    void sgRTSCodesSelectCell(int row) { rts.sgRTSCodesSelectCell(row); }
    // Reads the table once the RTS tab is the current one (a click, Ctrl+Tab, the arrows).
    void rtsTabShown();
    void sgRTSCodesClick() { rts.sgRTSCodesClick(); }
    void SpeedButton1Click() { rts.commandClick(TRtsAction::up); }
    void SpeedButton2Click() { rts.commandClick(TRtsAction::stop); }
    void SpeedButton3Click() { rts.commandClick(TRtsAction::down); }
    void bbDeleteRemoteClick() { rts.bbDeleteRemoteClick(); }
    void bbAddSomfyClick() { rts.bbAddRemoteClick(false); }
    void bbAddTubeClick() { rts.bbAddRemoteClick(true); }

    // ---- the site library ---------------------------------------------------------------
    // The library open (or none). Dialogs that change it are given `library.library()` and
    // call `library.noteChanged()`.
    TLibraryOps library {this, *this};
    // "Salvar código": the last learning's line under a name the user types.
    void bbSaveCodeClick();
    // The library tab: the code on `row` of the list sent as "Enviar" sends the log's text.
    void sendLibraryCode(int row);
    void bbRenameCodeClick();
    void bbDeleteCodeClick();
    // "Aprender controle...": the keys of a whole remote, filed in the library.
    void bbLearnRemoteClick();
    // "Copiar como": the selected code into the clipboard in `format` ("line", "pronto", "gc",
    // "irctl", "flipper"; RF: "line", "rfraw"), as `ondix library export` names them.
    void exportCodeClick(const QString& format);
    // "Salvar RTS": the unit's table, read now, kept in the library.
    void bbSaveRtsClick();
    // "Restaurar RTS": the library's latest backup of this unit written back, no rolling code
    // lowered.
    void bbRestoreRtsClick();
    // The current unit's MAC ("00:1A:2B:3C:4D:5E") from the record last shown; empty when none.
    QString currentUnitMac() const;
    // The MAC whose RTS backups "Salvar RTS" and "Restaurar RTS" use; empty (and told) when
    // busy, without a library, or with no unit known.
    QString rtsBackupUnit();
    // The code selected in the library tab's list; empty when none.
    QString selectedCodeName() const;

    // ---- switch code generators --------------------------------------------------------
    TCodeGenOps codeGen {*this, codeGenUi_, [this] { bbSendComdClick(); }};
    void Button5Click() { codeGen.Button5Click(); }
    void Button7Click() { codeGen.Button7Click(); }
    void mmInfoCodeGenDblClick() { codeGen.mmInfoCodeGenDblClick(); }
    void mmInfoTLCodeGenDblClick() { codeGen.mmInfoTLCodeGenDblClick(); }

    // ---- controls (objectName = member name) ---------------------------------------
    QToolButton* bbMenu = nullptr;
    QPushButton* bbSendComd = nullptr;
    QPlainTextEdit* mmInfo = nullptr;
    QPushButton* Button10 = nullptr;  // copy log
    QPushButton* Button9 = nullptr;  // clear log
    QPushButton* bbSaveLog = nullptr;  // save log
    QSplitter* Splitter1 = nullptr;
    QTabWidget* TabControl1 = nullptr;
    QWidget* StatusBar1 = nullptr;
    QLabel* lbStatusBar = nullptr;
    QLabel* lbfwVersion = nullptr;
    QLabel* lbPN = nullptr;
    QListWidget* overflowMenu = nullptr;
    QTimer* TimerOndixFound = nullptr;

    QWidget* TabItem1 = nullptr;
    QWidget* TabItem2 = nullptr;
    QWidget* TabItem3 = nullptr;
    QWidget* TabItem4 = nullptr;
    QWidget* TabItem5 = nullptr;
    QWidget* TabItem6 = nullptr;

    // Settings tab
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* M_IP_4 = nullptr;
    QLineEdit* M_IP_3 = nullptr;
    QLineEdit* M_IP_2 = nullptr;
    QLineEdit* M_IP_1 = nullptr;
    QLineEdit* GW_IP_4 = nullptr;
    QLineEdit* GW_IP_3 = nullptr;
    QLineEdit* GW_IP_2 = nullptr;
    QLineEdit* GW_IP_1 = nullptr;
    std::array<QLineEdit*, 6> macAddr {};  // macAddr0 ... macAddr5
    QLineEdit* edPort = nullptr;
    QCheckBox* ckbDHCPOn = nullptr;
    QPushButton* Button2 = nullptr;  // read settings
    QPushButton* Button3 = nullptr;  // write settings
    QPushButton* bbGravaMacAddr = nullptr;
    QLineEdit* IP_4 = nullptr;
    QLineEdit* IP_3 = nullptr;
    QLineEdit* IP_2 = nullptr;
    QLineEdit* IP_1 = nullptr;
    QPushButton* bbFindDevice = nullptr;
    QLabel* lbIPs = nullptr;
    QComboBox* cbIPs = nullptr;

    // Capture tab
    QGroupBox* GroupBox2 = nullptr;
    QPushButton* bbLearningRF = nullptr;
    QRadioButton* rbSmartCapture = nullptr;
    QRadioButton* rbRawCapture = nullptr;
    QRadioButton* rbRCCapture = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QRadioButton* rb8 = nullptr;
    QRadioButton* rb16 = nullptr;
    QRadioButton* rb32 = nullptr;
    QPushButton* bbLearningIR = nullptr;
    QRadioButton* rbIR_Auto = nullptr;
    QRadioButton* rbIR_Raw = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QPlainTextEdit* mmRawData = nullptr;
    QPushButton* Button1 = nullptr;  // clear raw data
    QPushButton* Button8 = nullptr;  // copy raw data
    TCapturePlot* pbCapturePlot = nullptr;  // the last capture as a pulse train
    QLabel* lbIRProtocol = nullptr;  // protocol of the last IR capture

    // BL Code Generator tab
    QPushButton* Button5 = nullptr;
    QRadioButton* rbTC2_1 = nullptr;
    QRadioButton* rbTC2_2 = nullptr;
    QRadioButton* rbTC2_3 = nullptr;
    QPushButton* Button6 = nullptr;
    QPlainTextEdit* mmInfoCodeGen = nullptr;

    // TL Code Generator tab
    QPushButton* Button7 = nullptr;
    QPushButton* Button4 = nullptr;
    QPlainTextEdit* mmInfoTLCodeGen = nullptr;

    // RTS tab
    QWidget* pnControlesRTS = nullptr;
    QPushButton* bbAddSomfy = nullptr;
    QPushButton* bbAddTube = nullptr;
    QPushButton* bbDeleteRemote = nullptr;
    QPushButton* bbRefreshRemotes = nullptr;
    QTableWidget* sgRTSCodes = nullptr;
    QWidget* pnCommand = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // UP
    QToolButton* SpeedButton2 = nullptr;  // STOP
    QToolButton* SpeedButton3 = nullptr;  // DOWN

    // Capture tab: the last learning into the library
    QPushButton* bbSaveCode = nullptr;

    // Library tab
    QWidget* tabLibrary = nullptr;
    QLabel* lbLibrary = nullptr;
    QLineEdit* edSearchCode = nullptr;
    QTableView* tvCodes = nullptr;
    TLibraryCodesModel* libraryCodes = nullptr;
    QPushButton* bbSendCode = nullptr;
    QPushButton* bbRenameCode = nullptr;
    QPushButton* bbDeleteCode = nullptr;
    QToolButton* bbExportCode = nullptr;  // "Copiar como", a menu of the formats
    QPushButton* bbLearnRemote = nullptr;  // "Aprender controle..."

    // RTS tab: backups in the library
    QPushButton* bbSaveRts = nullptr;
    QPushButton* bbRestoreRts = nullptr;

    // Flash test tab
    QPushButton* Button12 = nullptr;
    QLineEdit* edAddr = nullptr;
    QLineEdit* edQtd = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button13 = nullptr;

signals:
    // Raised whenever answerReady goes to 1 (relayed from the session).
    void answerSignalled();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter or Return on a focused button presses it; the overflow menu's keys.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool showSplash_ = true;
    TSessionLog* sessionLog_ = nullptr;
    bool closePending_ = false;  // a close waits for the exchange in progress to end
    void buildUi();
    void buildSettingsTab();
    void buildCaptureTab();
    void buildCodeGenTabs();
    void buildRtsTab();
    void buildFlashTab();
    void buildLibraryTab();
    void wireOperations();
    void wireLibrary();
    // The list, the buttons and the caption follow the library and the last learning.
    void libraryChanged();
    void updateLibraryButtons();
    void selectCode(const QString& name);
    // A key on the list of codes: Enter sends, F2 renames, Del deletes. True when taken.
    bool libraryKeyPress(int key);
    QString titleBase_;
    ondixdevice::TDeviceApi libraryApi_ {session, exchange};
};

extern TfmPrincipal* fmPrincipal;
