// The five tabs of the main window (and the hidden sixth): their controls, captions and
// initial states. Behaviour is attached by the subsystems.
#include "app/mainUnit.h"
#include "capture/capturePlot.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int octetWidth = 46;

// Digits only, at most `digits` of them: letters, blanks and longer numbers cannot be typed.
void digitsOnly(QLineEdit* edit, int digits)
{
    edit->setMaxLength(digits);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), edit));
}

QLineEdit* octetEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(octetWidth);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QRadioButton* radio(const QString& name, const QString& caption, QWidget* parent)
{
    auto* r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    return r;
}

QPlainTextEdit* memo(const QString& name, QWidget* parent)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    m->setTabChangesFocus(true);
    return m;
}

QWidget* tabPage(const QString& name, QTabWidget* tabs, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    tabs->addTab(page, caption);
    return page;
}

// Radio buttons that exclude one another only among themselves.
void exclusiveGroup(const QString& name, QObject* owner, std::initializer_list<QRadioButton*> buttons)
{
    auto* group = new QButtonGroup(owner);
    group->setObjectName(name);
    for (QRadioButton* b : buttons)
        group->addButton(b);
}

void addOctetRow(
    QGridLayout* grid, int row, const QString& caption, std::initializer_list<QLineEdit*> octets, QWidget* parent)
{
    grid->addWidget(new QLabel(caption, parent), row, 0);
    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    for (QLineEdit* e : octets)
        line->addWidget(e);
    line->addStretch(1);
    grid->addLayout(line, row, 1);
}

}  // namespace

void TfmPrincipal::buildSettingsTab()
{
    TabItem1 = tabPage(QStringLiteral("TabItem1"), TabControl1, QStringLiteral("Configurações "));
    auto* layout = new QHBoxLayout(TabItem1);

    auto* left = new QVBoxLayout;
    layout->addLayout(left);

    // Device address: outside the group, editable before any search
    auto* addressRow = new QGridLayout;
    addressRow->setContentsMargins(10, 0, 0, 0);
    addressRow->setColumnMinimumWidth(0, 100);
    IP_4 = octetEdit(QStringLiteral("IP_4"), TabItem1);
    IP_3 = octetEdit(QStringLiteral("IP_3"), TabItem1);
    IP_2 = octetEdit(QStringLiteral("IP_2"), TabItem1);
    IP_1 = octetEdit(QStringLiteral("IP_1"), TabItem1);
    addOctetRow(addressRow, 0, QStringLiteral("Endereço IP:"), {IP_4, IP_3, IP_2, IP_1}, TabItem1);
    bbFindDevice = button(QStringLiteral("bbFindDevice"), QStringLiteral("Localizar Ondix"), TabItem1);
    addressRow->addWidget(bbFindDevice, 0, 2);
    left->addLayout(addressRow);

    GroupBox1 = new QGroupBox(QStringLiteral("Configuração de IP "), TabItem1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setEnabled(false);
    auto* group = new QHBoxLayout(GroupBox1);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    grid->setColumnMinimumWidth(0, 100);
    M_IP_4 = octetEdit(QStringLiteral("M_IP_4"), GroupBox1);
    M_IP_3 = octetEdit(QStringLiteral("M_IP_3"), GroupBox1);
    M_IP_2 = octetEdit(QStringLiteral("M_IP_2"), GroupBox1);
    M_IP_1 = octetEdit(QStringLiteral("M_IP_1"), GroupBox1);
    addOctetRow(grid, 0, QStringLiteral("Mascara de IP:"), {M_IP_4, M_IP_3, M_IP_2, M_IP_1}, GroupBox1);
    GW_IP_4 = octetEdit(QStringLiteral("GW_IP_4"), GroupBox1);
    GW_IP_3 = octetEdit(QStringLiteral("GW_IP_3"), GroupBox1);
    GW_IP_2 = octetEdit(QStringLiteral("GW_IP_2"), GroupBox1);
    GW_IP_1 = octetEdit(QStringLiteral("GW_IP_1"), GroupBox1);
    addOctetRow(grid, 1, QStringLiteral("Gateway IP:"), {GW_IP_4, GW_IP_3, GW_IP_2, GW_IP_1}, GroupBox1);

    grid->addWidget(new QLabel(QStringLiteral("MAC:"), GroupBox1), 2, 0);
    auto* macLine = new QHBoxLayout;
    macLine->setSpacing(4);
    for (std::size_t i = 0; i < macAddr.size(); ++i) {
        macAddr[i] = octetEdit(QStringLiteral("macAddr%1").arg(i), GroupBox1);
        macAddr[i]->setFixedWidth(34);
        macAddr[i]->setEnabled(false);
        macLine->addWidget(macAddr[i]);
    }
    macLine->addStretch(1);
    grid->addLayout(macLine, 2, 1);

    grid->addWidget(new QLabel(QStringLiteral("Porta TCP:"), GroupBox1), 3, 0);
    auto* portLine = new QHBoxLayout;
    edPort = new QLineEdit(GroupBox1);
    edPort->setObjectName(QStringLiteral("edPort"));
    edPort->setFixedWidth(70);
    digitsOnly(edPort, 5);
    for (QLineEdit* box : {IP_4, IP_3, IP_2, IP_1, M_IP_4, M_IP_3, M_IP_2, M_IP_1, GW_IP_4, GW_IP_3, GW_IP_2, GW_IP_1})
        digitsOnly(box, 3);
    ckbDHCPOn = new QCheckBox(QStringLiteral("DHCP Ativo"), GroupBox1);
    ckbDHCPOn->setObjectName(QStringLiteral("ckbDHCPOn"));
    ckbDHCPOn->setChecked(false);
    portLine->addWidget(edPort);
    portLine->addSpacing(16);
    portLine->addWidget(ckbDHCPOn);
    portLine->addStretch(1);
    grid->addLayout(portLine, 3, 1);
    group->addLayout(grid, 1);

    auto* groupButtons = new QVBoxLayout;
    Button2 = button(QStringLiteral("Button2"), QStringLiteral("Ler do Dispisitivo"), GroupBox1);
    Button3 = button(QStringLiteral("Button3"), QStringLiteral("Gravar"), GroupBox1);
    bbGravaMacAddr = button(QStringLiteral("bbGravaMacAddr"), QStringLiteral("Gravar MAC "), GroupBox1);
    bbGravaMacAddr->setVisible(false);
    groupButtons->addWidget(Button2);
    groupButtons->addWidget(Button3);
    groupButtons->addWidget(bbGravaMacAddr);
    groupButtons->addStretch(1);
    group->addLayout(groupButtons);
    left->addWidget(GroupBox1, 1);

    // Found devices, shown after a search that found several
    auto* right = new QVBoxLayout;
    lbIPs = new QLabel(QStringLiteral("Selecionar Ondix"), TabItem1);
    lbIPs->setObjectName(QStringLiteral("lbIPs"));
    lbIPs->setVisible(false);
    cbIPs = new QComboBox(TabItem1);
    cbIPs->setObjectName(QStringLiteral("cbIPs"));
    cbIPs->setMinimumWidth(160);
    cbIPs->setVisible(false);
    right->addWidget(lbIPs);
    right->addWidget(cbIPs);
    right->addStretch(1);
    layout->addLayout(right);
    layout->addStretch(1);
}

void TfmPrincipal::buildCaptureTab()
{
    TabItem2 = tabPage(QStringLiteral("TabItem2"), TabControl1, QStringLiteral("Captura de codigos RF / IR"));
    auto* layout = new QHBoxLayout(TabItem2);

    GroupBox2 = new QGroupBox(QStringLiteral("\"Learnings\""), TabItem2);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setEnabled(false);
    auto* learn = new QVBoxLayout(GroupBox2);

    // RF: mode and divisor
    auto* rfRow = new QHBoxLayout;
    bbLearningRF = button(QStringLiteral("bbLearningRF"), QStringLiteral("Learning RF"), GroupBox2);
    bbLearningRF->setEnabled(false);
    bbLearningRF->setMinimumWidth(110);
    auto* rfModes = new QVBoxLayout;
    rbSmartCapture = radio(QStringLiteral("rbSmartCapture"), QStringLiteral("Captura automatica"), GroupBox2);
    rbRawCapture = radio(QStringLiteral("rbRawCapture"), QStringLiteral("Captura \"Bruta\" ou \"Raw\""), GroupBox2);
    rbRCCapture = radio(QStringLiteral("rbRCCapture"), QStringLiteral("Captura protocolo RTS"), GroupBox2);
    rbRCCapture->setVisible(false);
    rbSmartCapture->setChecked(true);
    exclusiveGroup(QStringLiteral("groupCapture"), GroupBox2, {rbSmartCapture, rbRawCapture, rbRCCapture});
    rfModes->addWidget(rbSmartCapture);
    rfModes->addWidget(rbRawCapture);
    rfModes->addWidget(rbRCCapture);
    GroupBox4 = new QGroupBox(QStringLiteral("Divisor "), GroupBox2);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    auto* divisors = new QHBoxLayout(GroupBox4);
    rb8 = radio(QStringLiteral("rb8"), QStringLiteral("8"), GroupBox4);
    rb16 = radio(QStringLiteral("rb16"), QStringLiteral("16"), GroupBox4);
    rb32 = radio(QStringLiteral("rb32"), QStringLiteral("32"), GroupBox4);
    rb16->setChecked(true);
    exclusiveGroup(QStringLiteral("divisor"), GroupBox4, {rb8, rb16, rb32});
    divisors->addWidget(rb8);
    divisors->addWidget(rb16);
    divisors->addWidget(rb32);
    rfRow->addWidget(bbLearningRF, 0, Qt::AlignVCenter);
    rfRow->addLayout(rfModes);
    rfRow->addWidget(GroupBox4);
    rfRow->addStretch(1);
    learn->addLayout(rfRow);

    auto* separator = new QFrame(GroupBox2);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    learn->addWidget(separator);

    // IR: mode
    auto* irRow = new QHBoxLayout;
    bbLearningIR = button(QStringLiteral("bbLearningIR"), QStringLiteral("Learning IR"), GroupBox2);
    bbLearningIR->setMinimumWidth(110);
    auto* irModes = new QVBoxLayout;
    rbIR_Auto = radio(QStringLiteral("rbIR_Auto"), QStringLiteral("Captura automatica"), GroupBox2);
    rbIR_Raw = radio(QStringLiteral("rbIR_Raw"), QStringLiteral("Captura \"Bruta\" ou \"Raw\""), GroupBox2);
    rbIR_Auto->setChecked(true);
    exclusiveGroup(QStringLiteral("IR_G"), GroupBox2, {rbIR_Auto, rbIR_Raw});
    irModes->addWidget(rbIR_Auto);
    irModes->addWidget(rbIR_Raw);
    irRow->addWidget(bbLearningIR, 0, Qt::AlignVCenter);
    irRow->addLayout(irModes);
    irRow->addStretch(1);
    learn->addLayout(irRow);
    // Protocol, address and command of the last IR capture; beside the line, never in it.
    lbIRProtocol = new QLabel(GroupBox2);
    lbIRProtocol->setObjectName(QStringLiteral("lbIRProtocol"));
    lbIRProtocol->setTextInteractionFlags(Qt::TextSelectableByMouse);
    learn->addWidget(lbIRProtocol);
    // The last learning's line into the library, under a name the user types.
    auto* saveRow = new QHBoxLayout;
    bbSaveCode = button(QStringLiteral("bbSaveCode"), QStringLiteral("Salvar código"), GroupBox2);
    bbSaveCode->setEnabled(false);
    bbSaveCode->setMinimumWidth(110);
    saveRow->addWidget(bbSaveCode);
    saveRow->addStretch(1);
    learn->addLayout(saveRow);
    learn->addStretch(1);
    layout->addWidget(GroupBox2, 1);

    GroupBox3 = new QGroupBox(QStringLiteral("Raw Data "), TabItem2);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto* raw = new QVBoxLayout(GroupBox3);
    mmRawData = memo(QStringLiteral("mmRawData"), GroupBox3);
    // The memo lists one sample per line; the plot beside it shows the same capture.
    auto* rawRow = new QHBoxLayout;
    mmRawData->setMaximumWidth(90);
    rawRow->addWidget(mmRawData);
    pbCapturePlot = new TCapturePlot(GroupBox3);
    rawRow->addWidget(pbCapturePlot, 1);
    raw->addLayout(rawRow, 1);
    auto* rawButtons = new QHBoxLayout;
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("Limpar"), GroupBox3);
    Button8 = button(QStringLiteral("Button8"), QStringLiteral("Copiar para área de transferência"), GroupBox3);
    rawButtons->addWidget(Button1);
    rawButtons->addStretch(1);
    rawButtons->addWidget(Button8);
    raw->addLayout(rawButtons);
    layout->addWidget(GroupBox3, 1);

    connect(Button1, &QPushButton::clicked, mmRawData, &QPlainTextEdit::clear);
    connect(Button8, &QPushButton::clicked, mmRawData, [this] {
        mmRawData->selectAll();
        mmRawData->copy();
    });
}

void TfmPrincipal::buildCodeGenTabs()
{
    TabItem3 = tabPage(QStringLiteral("TabItem3"), TabControl1, QStringLiteral("BL Code Generator"));
    auto* blLayout = new QHBoxLayout(TabItem3);
    auto* blColumn = new QVBoxLayout;
    Button5 = button(QStringLiteral("Button5"), QStringLiteral("Gerar códigos"), TabItem3);
    rbTC2_1 = radio(QStringLiteral("rbTC2_1"), QStringLiteral("TC2 - 1 Tecla"), TabItem3);
    rbTC2_2 = radio(QStringLiteral("rbTC2_2"), QStringLiteral("TC2 - 2 Teclas"), TabItem3);
    rbTC2_3 = radio(QStringLiteral("rbTC2_3"), QStringLiteral("TC2 - 3 teclas"), TabItem3);
    rbTC2_1->setChecked(true);
    exclusiveGroup(QStringLiteral("groupTC2"), TabItem3, {rbTC2_1, rbTC2_2, rbTC2_3});
    Button6 = button(QStringLiteral("Button6"), QStringLiteral("Limpar"), TabItem3);
    blColumn->addWidget(Button5);
    blColumn->addWidget(rbTC2_1);
    blColumn->addWidget(rbTC2_2);
    blColumn->addWidget(rbTC2_3);
    blColumn->addStretch(1);
    blColumn->addWidget(Button6);
    mmInfoCodeGen = memo(QStringLiteral("mmInfoCodeGen"), TabItem3);
    // Send lines have no blanks: wrapped anywhere, as in the log, instead of after "sendrf,".
    mmInfoCodeGen->setWordWrapMode(QTextOption::WrapAnywhere);
    blLayout->addLayout(blColumn);
    blLayout->addWidget(mmInfoCodeGen, 1);
    connect(Button6, &QPushButton::clicked, mmInfoCodeGen, &QPlainTextEdit::clear);

    TabItem4 = tabPage(QStringLiteral("TabItem4"), TabControl1, QStringLiteral("TL Code Generator"));
    auto* tlLayout = new QHBoxLayout(TabItem4);
    auto* tlColumn = new QVBoxLayout;
    Button7 = button(QStringLiteral("Button7"), QStringLiteral("Gerar código"), TabItem4);
    Button4 = button(QStringLiteral("Button4"), QStringLiteral("Limpar"), TabItem4);
    tlColumn->addWidget(Button7);
    tlColumn->addStretch(1);
    tlColumn->addWidget(Button4);
    mmInfoTLCodeGen = memo(QStringLiteral("mmInfoTLCodeGen"), TabItem4);
    mmInfoTLCodeGen->setWordWrapMode(QTextOption::WrapAnywhere);
    tlLayout->addLayout(tlColumn);
    tlLayout->addWidget(mmInfoTLCodeGen, 1);
    connect(Button4, &QPushButton::clicked, mmInfoTLCodeGen, &QPlainTextEdit::clear);
}

void TfmPrincipal::buildRtsTab()
{
    TabItem5 = tabPage(QStringLiteral("TabItem5"), TabControl1, QStringLiteral("Controles RTS"));
    auto* tabLayout = new QVBoxLayout(TabItem5);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    pnControlesRTS = new QWidget(TabItem5);
    pnControlesRTS->setObjectName(QStringLiteral("pnControlesRTS"));
    pnControlesRTS->setEnabled(false);
    tabLayout->addWidget(pnControlesRTS);
    auto* layout = new QHBoxLayout(pnControlesRTS);

    QStyle* style = QApplication::style();
    pnCommand = new QWidget(pnControlesRTS);
    pnCommand->setObjectName(QStringLiteral("pnCommand"));
    pnCommand->setEnabled(false);
    auto* commands = new QVBoxLayout(pnCommand);
    commands->setContentsMargins(0, 0, 0, 0);
    auto commandButton = [&](const QString& name, const QString& caption, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(pnCommand);
        b->setObjectName(name);
        b->setText(caption);
        b->setIcon(style->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumSize(72, 56);
        commands->addWidget(b);
        return b;
    };
    SpeedButton1 = commandButton(QStringLiteral("SpeedButton1"), QStringLiteral("UP"), QStyle::SP_ArrowUp);
    SpeedButton2 = commandButton(QStringLiteral("SpeedButton2"), QStringLiteral("STOP"), QStyle::SP_MediaPause);
    SpeedButton3 = commandButton(QStringLiteral("SpeedButton3"), QStringLiteral("DOWN"), QStyle::SP_ArrowDown);
    commands->addStretch(1);
    layout->addWidget(pnCommand);

    sgRTSCodes = new QTableWidget(0, 5, pnControlesRTS);
    sgRTSCodes->setObjectName(QStringLiteral("sgRTSCodes"));
    sgRTSCodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgRTSCodes->setSelectionMode(QAbstractItemView::SingleSelection);
    sgRTSCodes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab move on to the next control; the arrows move between the rows.
    sgRTSCodes->setTabKeyNavigation(false);
    sgRTSCodes->verticalHeader()->setVisible(false);
    sgRTSCodes->horizontalHeader()->setMinimumSectionSize(20);
    sgRTSCodes->setColumnWidth(0, 25);
    sgRTSCodes->setColumnWidth(1, 80);
    sgRTSCodes->setColumnWidth(2, 80);
    sgRTSCodes->setColumnWidth(3, 110);
    sgRTSCodes->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(sgRTSCodes, 1);

    auto* buttons = new QVBoxLayout;
    bbRefreshRemotes = button(QStringLiteral("bbRefreshRemotes"), QStringLiteral("Carregar"), pnControlesRTS);
    bbRefreshRemotes->setIcon(style->standardIcon(QStyle::SP_BrowserReload));
    bbDeleteRemote = button(QStringLiteral("bbDeleteRemote"), QStringLiteral("Carregar"), pnControlesRTS);
    bbDeleteRemote->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
    bbAddSomfy = button(QStringLiteral("bbAddSomfy"), QStringLiteral("Adicionar Somfy"), pnControlesRTS);
    bbAddTube = button(QStringLiteral("bbAddTube"), QStringLiteral("Adicionar Tube RTS"), pnControlesRTS);
    buttons->addWidget(bbRefreshRemotes);
    buttons->addWidget(bbDeleteRemote);
    buttons->addWidget(bbAddSomfy);
    buttons->addWidget(bbAddTube);
    // The table kept in the library, and written back from it.
    bbSaveRts = button(QStringLiteral("bbSaveRts"), QStringLiteral("Salvar RTS"), pnControlesRTS);
    bbRestoreRts = button(QStringLiteral("bbRestoreRts"), QStringLiteral("Restaurar RTS"), pnControlesRTS);
    buttons->addSpacing(8);
    buttons->addWidget(bbSaveRts);
    buttons->addWidget(bbRestoreRts);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void TfmPrincipal::buildFlashTab()
{
    TabItem6 = tabPage(QStringLiteral("TabItem6"), TabControl1, QStringLiteral("Flash M. Test"));
    auto* layout = new QGridLayout(TabItem6);
    Button12 = button(QStringLiteral("Button12"), QStringLiteral("Le"), TabItem6);
    edAddr = new QLineEdit(QStringLiteral("0"), TabItem6);
    edAddr->setObjectName(QStringLiteral("edAddr"));
    edQtd = new QLineEdit(QStringLiteral("128"), TabItem6);
    edQtd->setObjectName(QStringLiteral("edQtd"));
    Button11 = button(QStringLiteral("Button11"), QStringLiteral("Grava"), TabItem6);
    Button13 = button(QStringLiteral("Button13"), QStringLiteral("Button13"), TabItem6);
    layout->addWidget(new QLabel(QStringLiteral("Address:"), TabItem6), 0, 0);
    layout->addWidget(edAddr, 0, 1);
    layout->addWidget(Button12, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Qtd:"), TabItem6), 1, 0);
    layout->addWidget(edQtd, 1, 1);
    layout->addWidget(Button11, 1, 2);
    layout->addWidget(Button13, 2, 2);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(3, 1);
}
