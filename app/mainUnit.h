// The main window: owns every link object, the answer buffer and flags, the discovery
// lists and every control. Device operations are methods of this class; each subsystem
// defines its own methods in its own folder (link/, discovery/, settings/, ...).
#pragma once

#include <QHostAddress>
#include <QMainWindow>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "discovery/deviceInfo.h"
#include "link/exchange.h"

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
class QTableWidget;
class QTcpSocket;
class QTimer;
class QToolButton;
class QUdpSocket;
class QWidget;

class TSerialPort;
class TfmChooseOndix;
class TfmRemoteProg;

constexpr int answerBufSize = 20000;

class TfmPrincipal : public QMainWindow {
    Q_OBJECT
public:
    // showSplash: false in tests, which do not wait for the 2000 ms splash.
    explicit TfmPrincipal(QWidget* parent = nullptr, bool showSplash = true);
    ~TfmPrincipal() override;

    // ---- shared state -------------------------------------------------------------
    std::unique_ptr<TSerialPort> serialPort;
    std::array<uint8_t, answerBufSize> answerBuf{};
    int32_t answerReady = 0;
    int32_t answerLen = 0;
    int32_t answerFill = 0;
    bool usbDeviceFound = false;
    bool netDeviceFound = false;
    QString deviceIP;
    TfmChooseOndix* chooser = nullptr;
    QStringList localAddresses;
    QStringList broadcastAddresses;
    std::vector<std::array<uint8_t, 50>> foundDevices;
    bool discoveryActive = false;
    int32_t selectedDevice = 0;
    int32_t rtsSelectedRow = -1;

    // The exchange helper every device operation goes through.
    TExchange exchange{*this};

    // ---- log ----------------------------------------------------------------------
    void logLine(const QString& line);  // appends one line to mmInfo
    void clearLog();                    // removes every line of mmInfo
    QStringList logLines() const;       // mmInfo's lines

    // ---- Application shell --------------------------------------------------------
    void FormCreate();
    void bbMenuClick();
    void overflowMenuClick(int index);

    // ---- USB link -----------------------------------------------------------------
    int userConnect();
    void OnUSBReceive(const QByteArray& frame);

    // ---- command exchange ---------------------------------------------------------
    bool genericUSB_CMD_CMD(unsigned char code);

    // ---- network link -------------------------------------------------------------
    void udpServerUDPRead(const QByteArray& datagram, const QHostAddress& sender);
    bool sendDatagram(const QByteArray& frame, const QString& host);
    QString addressFromBoxes() const;  // IP_4 "." IP_3 "." IP_2 "." IP_1
    void tcpClientConnected();
    void tcpClientDisconnected();
    void tcpClientRead();  // each chunk overwrites answerBuf at offset 0

    // ---- discovery ----------------------------------------------------------------
    // The listener's discovery branch, for a datagram the capture test did not complete.
    void discoveryAnswer(const QByteArray& datagram, const QHostAddress& sender);
    // Local interface addresses (every version, in the system's order); tests replace it.
    std::function<QList<QHostAddress>()> localAddressSource;
    static QList<QHostAddress> systemLocalAddresses();
    void GetLocalIPList(QStringList& local, QStringList& broadcast);
    bool findDeviceOnNetwork(const QString& target);
    bool findDeviceOnSerialPort();
    void bbFindDeviceClick();
    void TimerOndixFoundTimer();
    void upDateOndixData(int32_t index);
    void cbIPsChange(int index);
    // Rows IP, mask, gateway, MAC, DHCP and port of a deviceInfo record into the edits;
    // returns the whole decoded record for the callers that show the rest.
    deviceinfo::TDeviceDisplay showSettingsRecord(const uint8_t* record);

    // ---- code capture -------------------------------------------------------------
    int32_t rfDivisor = 16;  // divisor of the last RF learning request: 8, 16 or 32
    int findValidFrame();    // 0: a line was written; -1: the capture was refused
    void bbLearningRFClick();
    void learningRFCode_byUSB();
    void learningRFCode_byNetWork();
    void bbLearningIRClick();
    void learningIRCode_byUSB();
    void learningIRCode_byNetWork();

    // ---- controls (objectName = member name) ---------------------------------------
    QToolButton* bbMenu = nullptr;
    QPushButton* bbSendComd = nullptr;
    QPlainTextEdit* mmInfo = nullptr;
    QPushButton* Button10 = nullptr;  // copy log
    QPushButton* Button9 = nullptr;   // clear log
    QSplitter* Splitter1 = nullptr;
    QTabWidget* TabControl1 = nullptr;
    QWidget* StatusBar1 = nullptr;
    QLabel* lbStatusBar = nullptr;
    QLabel* lbfwVersion = nullptr;
    QLabel* lbPN = nullptr;
    QListWidget* overflowMenu = nullptr;
    QTimer* TimerOndixFound = nullptr;
    QUdpSocket* udpServer = nullptr;
    QTcpSocket* tcpClient = nullptr;

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
    std::array<QLineEdit*, 6> macAddr{};  // macAddr0 ... macAddr5
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

    // Flash test tab
    QPushButton* Button12 = nullptr;
    QLineEdit* edAddr = nullptr;
    QLineEdit* edQtd = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button13 = nullptr;

signals:
    // Raised whenever answerReady goes to 1, so that a waiting exchange wakes at once.
    void answerSignalled();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool showSplash_ = true;
    bool closePending_ = false;  // a close waits for the exchange in progress to end
    void buildUi();
    void buildSettingsTab();
    void buildCaptureTab();
    void buildCodeGenTabs();
    void buildRtsTab();
    void buildFlashTab();
    void setupNetworkLink();
    void setupDiscovery();
    void setupLearning();
    void learningRFCode(TLinkKind link);
    void learningIRCode(TLinkKind link);
    TLinkKind captureLink_ = TLinkKind::Usb;  // link the capture analysed next came over
};

extern TfmPrincipal* fmPrincipal;
