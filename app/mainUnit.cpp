// The main window shell: its layout, its start-up steps, the log memo and its buttons,
// the status bar, the overflow menu and an orderly close. The tabs are built in
// mainTabs.cpp; each subsystem's behaviour lives in its own folder.
#include "app/mainUnit.h"

#include "app/dialogs.h"
#include "app/sessionLog.h"
#include "app/splashUnit.h"
#include "discovery/chooseOndixUnit.h"
#include "link/serialPortUnit.h"
#include "rts/remoteProgUnit.h"
#include "rts/rtsTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

TfmPrincipal* fmPrincipal = nullptr;

namespace {

constexpr int clientWidth = 927;
constexpr int clientHeight = 626;
constexpr int toolBarHeight = 40;
constexpr int bottomPanelHeight = 298;

// Three bars: the menu button's icon.
QIcon menuIcon()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.5, Qt::SolidLine, Qt::RoundCap));
    for (int y : {6, 12, 18})
        p.drawLine(QPointF(4, y), QPointF(20, y));
    return QIcon(pixmap);
}

}  // namespace

TfmPrincipal::TfmPrincipal(QWidget* parent, bool showSplash) : QMainWindow(parent), showSplash_(showSplash)
{
    // The dialogs and the subsystems reach the window through this pointer; it is set
    // here so that it already holds while the window is being created.
    fmPrincipal = this;
    setObjectName(QStringLiteral("fmPrincipal"));
    titleBase_ = QStringLiteral("OndixSetup - Configuração Ondix");
    setWindowTitle(titleBase_);
    buildUi();
    wireOperations();
    wireLibrary();
    FormCreate();
}

TfmPrincipal::~TfmPrincipal()
{
    // Stop the USB reader and close the device before the controls it reports to go.
    serialPort.reset();
    if (fmRemoteProg && fmRemoteProg->parent() == this)
        fmRemoteProg = nullptr;
    if (fmPrincipal == this)
        fmPrincipal = nullptr;
}

void TfmPrincipal::FormCreate()
{
    chooser = new TfmChooseOndix(this, discovery.selectedDevice);
    chooser->hide();
    discoveryUi_.chooser = chooser;
    fmRemoteProg = new TfmRemoteProg(this);
    fmRemoteProg->hide();
    // The add dialog is not modal: while it is shown its "Adicionar" waits as long as another
    // operation does (opening it brings the button up to date).
    connect(&operationWatch, &TOperationWatch::busyChanged, fmRemoteProg, [dialog = fmRemoteProg](bool busy) {
        if (dialog->isVisible())
            dialog->Button1->setEnabled(!busy);
    });

    session.resetAnswerState();

    localAddresses.clear();
    broadcastAddresses.clear();

    TabControl1->setCurrentIndex(0);

    session.usbDeviceFound = false;
    session.netDeviceFound = false;

    foundDevices.clear();

    userConnect();
    const QString portProblem = session.udpBindProblem();
    if (!portProblem.isEmpty()) {
        logLine(portProblem);
        std::fprintf(stderr, "OndixSetup: %s\n", portProblem.toLocal8Bit().constData());
    }

    sgRTSCodes->setHorizontalHeaderLabels(rtsGridHeaders());
    sgRTSCodes->setRowCount(0);
    rtsSelectedRow = -1;

    bbFindDevice->setFocus();

    if (showSplash_) {
        TfmSplash splash(this);
        splash.setFixedSize(500, 233);
        splash.exec();
    }
}

void TfmPrincipal::buildUi()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnMain"));
    setCentralWidget(central);
    auto* mainLayout = new QVBoxLayout(central);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(0);

    // Tool bar
    auto* toolBar = new QWidget(central);
    toolBar->setObjectName(QStringLiteral("pnToolBar"));
    toolBar->setFixedHeight(toolBarHeight);
    auto* toolLayout = new QHBoxLayout(toolBar);
    toolLayout->setContentsMargins(4, 2, 4, 2);
    bbMenu = new QToolButton(toolBar);
    bbMenu->setObjectName(QStringLiteral("bbMenu"));
    bbMenu->setText(QStringLiteral("Menu"));
    bbMenu->setToolTip(QStringLiteral("Menu"));
    bbMenu->setIcon(menuIcon());
    bbMenu->setIconSize(QSize(24, 24));
    bbMenu->setAutoRaise(true);
    bbMenu->setFixedSize(36, 36);
    bbSendComd = new QPushButton(QStringLiteral("Enviar"), toolBar);
    bbSendComd->setObjectName(QStringLiteral("bbSendComd"));
    bbSendComd->setEnabled(false);
    toolLayout->addWidget(bbMenu);
    toolLayout->addStretch(1);
    toolLayout->addWidget(bbSendComd);
    mainLayout->addWidget(toolBar);

    // Log panel above, tabs and status bar below
    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    mainLayout->addWidget(Splitter1, 1);

    auto* logPanel = new QWidget(Splitter1);
    logPanel->setObjectName(QStringLiteral("pnLog"));
    auto* logLayout = new QVBoxLayout(logPanel);
    logLayout->setContentsMargins(4, 0, 4, 4);
    mmInfo = new QPlainTextEdit(logPanel);
    mmInfo->setObjectName(QStringLiteral("mmInfo"));
    mmInfo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Command lines have no blanks: wrapped anywhere they read as one block instead of
    // breaking after "sendrf," as if they were two lines.
    mmInfo->setWordWrapMode(QTextOption::WrapAnywhere);
    mmInfo->setTabChangesFocus(true);
    logLayout->addWidget(mmInfo, 1);
    auto* logButtons = new QHBoxLayout;
    Button10 = new QPushButton(QStringLiteral("Copiar para área de transferência"), logPanel);
    Button10->setObjectName(QStringLiteral("Button10"));
    Button9 = new QPushButton(QStringLiteral("Limpar"), logPanel);
    Button9->setObjectName(QStringLiteral("Button9"));
    bbSaveLog = new QPushButton(QStringLiteral("Salvar log"), logPanel);
    bbSaveLog->setObjectName(QStringLiteral("bbSaveLog"));
    logButtons->addWidget(Button10);
    logButtons->addStretch(1);
    logButtons->addWidget(bbSaveLog);
    logButtons->addWidget(Button9);
    logLayout->addLayout(logButtons);

    auto* bottomPanel = new QWidget(Splitter1);
    bottomPanel->setObjectName(QStringLiteral("pnBottom"));
    auto* bottomLayout = new QVBoxLayout(bottomPanel);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    TabControl1 = new QTabWidget(bottomPanel);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    bottomLayout->addWidget(TabControl1, 1);

    StatusBar1 = new QWidget(bottomPanel);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto* statusLayout = new QHBoxLayout(StatusBar1);
    statusLayout->setContentsMargins(6, 2, 6, 2);
    lbStatusBar = new QLabel(StatusBar1);
    lbStatusBar->setObjectName(QStringLiteral("lbStatusBar"));
    lbfwVersion = new QLabel(StatusBar1);
    lbfwVersion->setObjectName(QStringLiteral("lbfwVersion"));
    lbfwVersion->setMinimumWidth(40);
    lbPN = new QLabel(StatusBar1);
    lbPN->setObjectName(QStringLiteral("lbPN"));
    lbPN->setMinimumWidth(150);
    statusLayout->addWidget(lbStatusBar, 1);
    statusLayout->addWidget(new QLabel(QStringLiteral("Versão de fw :"), StatusBar1));
    statusLayout->addWidget(lbfwVersion);
    statusLayout->addSpacing(12);
    statusLayout->addWidget(new QLabel(QStringLiteral("SN:"), StatusBar1));
    statusLayout->addWidget(lbPN);
    bottomLayout->addWidget(StatusBar1);

    Splitter1->addWidget(logPanel);
    Splitter1->addWidget(bottomPanel);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({clientHeight - toolBarHeight - bottomPanelHeight, bottomPanelHeight});

    buildSettingsTab();
    buildCaptureTab();
    buildCodeGenTabs();
    buildRtsTab();
    buildFlashTab();
    buildLibraryTab();
    // Hidden until the console reveals it, and out of Ctrl+Tab's reach meanwhile (it steps
    // onto hidden tabs that are enabled).
    TabControl1->setTabVisible(TabControl1->indexOf(TabItem6), false);
    TabControl1->setTabEnabled(TabControl1->indexOf(TabItem6), false);

    // Overflow menu floating over the top left of the log
    overflowMenu = new QListWidget(central);
    overflowMenu->setObjectName(QStringLiteral("overflowMenu"));
    overflowMenu->addItems(
        {QStringLiteral("Base de dados IR"), QStringLiteral("Informações"), QStringLiteral("Nova biblioteca..."),
            QStringLiteral("Abrir biblioteca..."), QStringLiteral("Salvar biblioteca"), QStringLiteral("Sair")});
    overflowMenu->setFrameShape(QFrame::Box);
    overflowMenu->setSpacing(5);
    overflowMenu->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overflowMenu->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overflowMenu->setGeometry(
        4, toolBarHeight, 200, (overflowMenu->sizeHintForRow(0) + 10) * overflowMenu->count() + 4);
    overflowMenu->hide();
    overflowMenu->installEventFilter(this);

    TimerOndixFound = new QTimer(this);
    TimerOndixFound->setObjectName(QStringLiteral("TimerOndixFound"));
    TimerOndixFound->setInterval(100);
    TimerOndixFound->setSingleShot(true);
    TimerOndixFound->setTimerType(Qt::PreciseTimer);

    connect(bbMenu, &QToolButton::clicked, this, [this] { bbMenuClick(); });
    connect(overflowMenu, &QListWidget::itemClicked, this,
        [this](QListWidgetItem* item) { overflowMenuClick(overflowMenu->row(item)); });
    connect(Button9, &QPushButton::clicked, mmInfo, &QPlainTextEdit::clear);
    connect(bbSaveLog, &QPushButton::clicked, this, [this] { bbSaveLogClick(); });
    connect(Button10, &QPushButton::clicked, mmInfo, [this] {
        mmInfo->selectAll();
        mmInfo->copy();
    });

    for (QAbstractButton* b : findChildren<QAbstractButton*>())
        if (qobject_cast<QPushButton*>(b) || qobject_cast<QToolButton*>(b))
            b->installEventFilter(this);

    resize(clientWidth, clientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfmPrincipal::wireOperations()
{
    usbCommandUi_ = {bbFindDevice, bbSendComd, GroupBox1, GroupBox2, TabControl1, mmInfo};

    TSettingsEdits edits;
    edits.ip = {IP_4, IP_3, IP_2, IP_1};
    edits.mask = {M_IP_4, M_IP_3, M_IP_2, M_IP_1};
    edits.gateway = {GW_IP_4, GW_IP_3, GW_IP_2, GW_IP_1};
    edits.mac = macAddr;
    edits.dhcp = ckbDHCPOn;
    edits.port = edPort;
    edits.shown = &settings.lastRecord;

    discoveryUi_.bbFindDevice = bbFindDevice;
    discoveryUi_.bbSendComd = bbSendComd;
    discoveryUi_.GroupBox1 = GroupBox1;
    discoveryUi_.GroupBox2 = GroupBox2;
    discoveryUi_.pnControlesRTS = pnControlesRTS;
    discoveryUi_.bbLearningRF = bbLearningRF;
    discoveryUi_.mmInfo = mmInfo;
    discoveryUi_.TabControl1 = TabControl1;
    discoveryUi_.cbIPs = cbIPs;
    discoveryUi_.lbIPs = lbIPs;
    discoveryUi_.lbPN = lbPN;
    discoveryUi_.lbfwVersion = lbfwVersion;
    discoveryUi_.TimerOndixFound = TimerOndixFound;
    discoveryUi_.edits = edits;

    learningUi_.TabControl1 = TabControl1;
    learningUi_.bbLearningRF = bbLearningRF;
    learningUi_.bbLearningIR = bbLearningIR;
    learningUi_.rbRawCapture = rbRawCapture;
    learningUi_.rbRCCapture = rbRCCapture;
    learningUi_.rb8 = rb8;
    learningUi_.rb32 = rb32;
    learningUi_.rbIR_Auto = rbIR_Auto;
    learningUi_.mmInfo = mmInfo;
    learningUi_.mmRawData = mmRawData;
    learningUi_.ip = edits.ip;
    learningUi_.pbCapturePlot = pbCapturePlot;
    learningUi_.lbIRProtocol = lbIRProtocol;

    settingsUi_ = {Button2, Button3, GroupBox1, GroupBox2, TabControl1, mmInfo, edits};
    clockUi_ = {TabControl1, GroupBox1, GroupBox2, mmInfo, Button3, edits.ip};

    connect(&session, &TDeviceSession::answerSignalled, this, &TfmPrincipal::answerSignalled);
    connect(&session, &TDeviceSession::discoveryDatagram, this,
        [this](const QByteArray& datagram, const QHostAddress& sender) { discoveryAnswer(datagram, sender); });
    connect(bbFindDevice, &QPushButton::clicked, this, [this] { bbFindDeviceClick(); });
    connect(TimerOndixFound, &QTimer::timeout, this, [this] { TimerOndixFoundTimer(); });
    connect(cbIPs, &QComboBox::currentIndexChanged, this, [this](int index) { cbIPsChange(index); });
    connect(bbLearningRF, &QPushButton::clicked, this, [this] { bbLearningRFClick(); });
    connect(bbLearningIR, &QPushButton::clicked, this, [this] { bbLearningIRClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

    rtsUi_ = {TabControl1, Button2, Button3, GroupBox1, GroupBox2, mmInfo, bbSendComd, pnControlesRTS, pnCommand,
        sgRTSCodes, edits.ip};
    rts.attach();
    rts.refuseWhenBusy = [this] { return console.refuseWhenBusy(); };
    // The RTS tab becoming the current one reads the table, however it became so; a click
    // on it when it is the current one already reads it again.
    connect(TabControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (TabControl1->widget(index) == TabItem5)
            rtsTabShown();
    });
    connect(TabControl1, &QTabWidget::tabBarClicked, this, [this](int index) {
        if (index == TabControl1->currentIndex() && TabControl1->widget(index) == TabItem5)
            rtsTabShown();
    });
    connect(bbRefreshRemotes, &QPushButton::clicked, this, [this] { bbRefreshRemotesClick(); });
    connect(sgRTSCodes, &QTableWidget::itemSelectionChanged, this, [this] { rts.gridSelectionChanged(); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(bbDeleteRemote, &QPushButton::clicked, this, [this] { bbDeleteRemoteClick(); });
    connect(bbAddSomfy, &QPushButton::clicked, this, [this] { bbAddSomfyClick(); });
    connect(bbAddTube, &QPushButton::clicked, this, [this] { bbAddTubeClick(); });

    codeGenUi_ = {rbTC2_1, rbTC2_2, rbTC2_3, mmInfoCodeGen, mmInfoTLCodeGen};
    codeGen.attach();
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });

    serviceUi_.bbGravaMacAddr = bbGravaMacAddr;
    serviceUi_.TabControl1 = TabControl1;
    serviceUi_.GroupBox1 = GroupBox1;
    serviceUi_.GroupBox2 = GroupBox2;
    serviceUi_.mmInfo = mmInfo;
    serviceUi_.Button3 = Button3;
    serviceUi_.macAddr = macAddr;
    serviceUi_.edAddr = edAddr;
    serviceUi_.edQtd = edQtd;

    consoleUi_.mmInfo = mmInfo;
    consoleUi_.bbSendComd = bbSendComd;
    consoleUi_.TabControl1 = TabControl1;
    consoleUi_.TabItem6 = TabItem6;
    consoleUi_.GroupBox1 = GroupBox1;
    consoleUi_.GroupBox2 = GroupBox2;
    consoleUi_.Button3 = Button3;
    consoleUi_.bbGravaMacAddr = bbGravaMacAddr;
    consoleUi_.macAddr = macAddr;
    consoleUi_.ip = edits.ip;
    consoleUi_.edPort = edPort;
    consoleUi_.getClock = [this](TLinkKind link) { deviceClock.getDate(link); };
    consoleUi_.setClock = [this](TLinkKind link) { deviceClock.setDate(link); };
    consoleUi_.getRTS = [this](TLinkKind link) { rts.getRTS(link, &rts.rtsTable); };
    console.installKeyHandler();

    connect(bbSendComd, &QPushButton::clicked, this, [this] { bbSendComdClick(); });
    connect(bbGravaMacAddr, &QPushButton::clicked, this, [this] { bbGravaMacAddrClick(); });
    connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
}

void TfmPrincipal::bbSendComdClick()
{
    if (sessionLog_ && !exchange.busy())
        sessionLog_->write(QStringLiteral("[enviar] ") + mmInfo->toPlainText());
    console.bbSendComdClick();
}

void TfmPrincipal::rtsTabShown()
{
    // Once the switch is done, so that the read shows on the tab it fills.
    QTimer::singleShot(0, this, [this] {
        if (TabControl1->currentWidget() == TabItem5)
            TabItem5Click();
    });
}

void TfmPrincipal::setStatus(const QString& text)
{
    lbStatusBar->setText(text);
    if (sessionLog_)
        sessionLog_->write(QStringLiteral("[status] ") + text);
}

void TfmPrincipal::setSessionLog(TSessionLog* log)
{
    sessionLog_ = log;
    if (!sessionLog_)
        return;
    if (!mmInfo->document()->isEmpty())
        sessionLog_->write(mmInfo->toPlainText());
    sessionLog_->write(QStringLiteral("[status] ") + lbStatusBar->text());
}

void TfmPrincipal::bbSaveLogClick()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QDateTime::currentDateTime().toString(QStringLiteral("'OndixSetup-log-'yyyyMMdd-HHmmss'.txt'")));
    const QString path = TDialogs::saveFileName(this, QStringLiteral("Salvar log"), suggested);
    if (path.isEmpty())
        return;
    const QString problem = saveLogText(path, mmInfo->toPlainText());
    if (!problem.isEmpty()) {
        TDialogs::showError(this, QStringLiteral("Não foi possível salvar o log em %1: %2.").arg(path, problem));
        return;
    }
    setStatus(QStringLiteral("Log salvo em %1").arg(QDir::toNativeSeparators(path)));
}

bool TfmPrincipal::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == overflowMenu) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            showOverflowMenu(false);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && overflowMenu->currentRow() >= 0) {
            overflowMenuClick(overflowMenu->currentRow());
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched == tvCodes) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
            if (libraryKeyPress(key->key()))
                return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && key->modifiers() == Qt::NoModifier) {
            if (button->isEnabled())
                button->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmPrincipal::logLine(const QString& line)
{
    mmInfo->appendPlainText(line);
    if (sessionLog_)
        sessionLog_->write(line);
}

void TfmPrincipal::clearLog()
{
    mmInfo->clear();
    if (sessionLog_)
        sessionLog_->write(QStringLiteral("[log limpo]"));
}

QStringList TfmPrincipal::logLines() const
{
    if (mmInfo->document()->isEmpty())
        return {};
    return mmInfo->toPlainText().split(QLatin1Char('\n'));
}

void TfmPrincipal::bbMenuClick()
{
    showOverflowMenu(overflowMenu->isHidden());
}

void TfmPrincipal::showOverflowMenu(bool show)
{
    if (!show) {
        const bool hadFocus = focusWidget() == overflowMenu;
        overflowMenu->hide();
        if (hadFocus)
            bbMenu->setFocus(Qt::OtherFocusReason);
        return;
    }
    overflowMenu->show();
    overflowMenu->raise();
    if (overflowMenu->currentRow() < 0)
        overflowMenu->setCurrentRow(0);
    overflowMenu->setFocus(Qt::OtherFocusReason);
}

void TfmPrincipal::overflowMenuClick(int index)
{
    // "Base de dados IR" (0) and "Informações" (1) carry no action; the library's items act
    // once the menu is out of the way of their dialogs; the last one is "Sair".
    enum { newLibrary = 2, openLibrary = 3, saveLibrary = 4, quit = 5 };
    switch (index) {
    case newLibrary:
    case openLibrary:
    case saveLibrary:
        showOverflowMenu(false);
        if (index == newLibrary)
            library.newLibraryClick();
        else if (index == openLibrary)
            library.openLibraryClick();
        else
            library.saveLibraryClick();
        break;
    case quit:
        close();
        break;
    default:
        break;
    }
}

void TfmPrincipal::closeEvent(QCloseEvent* event)
{
    if (exchange.busy()) {
        // An operation is waiting for an answer inside its own event loop: end that wait
        // and come back once it has returned, so nothing runs on a half-destroyed window.
        exchange.abort();
        event->ignore();
        if (!closePending_) {
            closePending_ = true;
            QTimer::singleShot(0, this, [this] {
                closePending_ = false;
                close();
            });
        }
        return;
    }
    // Unsaved changes of the library: Salvar, Descartar, or Cancelar, which keeps the window.
    if (!library.confirmLeave()) {
        event->ignore();
        return;
    }
    chooser->hide();
    fmRemoteProg->hide();
    event->accept();
}
