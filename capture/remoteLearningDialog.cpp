#include "capture/remoteLearningDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/dialogs.h"
#include "library/remoteLearning.h"

using ondixdevice::TKeyStatus;
using ondixdevice::TRemoteLearning;

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString keyRowText(const ondixdevice::remoteKey_t& key)
{
    switch (key.status) {
    case TKeyStatus::pending:
        return key.key;
    case TKeyStatus::learned:
        return QStringLiteral("%1 — aprendida").arg(key.key);
    case TKeyStatus::differs:
        return QStringLiteral("%1 — diferente, repetir").arg(key.key);
    case TKeyStatus::failed:
        return QStringLiteral("%1 — %2").arg(key.key, key.detail);
    case TKeyStatus::skipped:
        break;
    }
    return QStringLiteral("%1 — pulada").arg(key.key);
}

}  // namespace

TRemoteLearningDialog::TRemoteLearningDialog(TDeviceSession& session, TExchange& exchange, TSiteLibrary& library,
    QString unitMac, std::function<void()> filed, QWidget* parent)
    : QDialog(parent), session_(session), api_(session, exchange), library_(library), unitMac_(std::move(unitMac)),
      filed_(std::move(filed))
{
    setObjectName(QStringLiteral("fmRemoteLearning"));
    setWindowTitle(QStringLiteral("Aprender controle remoto"));

    // ---- the remote and its keys ----
    edRemoteName = named(new QLineEdit, "edRemoteName");
    edRemoteName->setPlaceholderText(QStringLiteral("ex.: TV Sala"));
    rbRemoteIR = named(new QRadioButton(QStringLiteral("Infra&vermelho (IR)")), "rbRemoteIR");
    rbRemoteRF = named(new QRadioButton(QStringLiteral("Rá&dio (RF)")), "rbRemoteRF");
    rbRemoteIR->setChecked(true);
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(rbRemoteIR);
    kindRow->addWidget(rbRemoteRF);
    kindRow->addStretch();
    cbKeyTemplate = named(new QComboBox, "cbKeyTemplate");
    cbKeyTemplate->addItem(QStringLiteral("Digitadas"));
    for (TKeyTemplate t : {TKeyTemplate::tv, TKeyTemplate::receiver, TKeyTemplate::airConditioner})
        cbKeyTemplate->addItem(keyTemplateName(t), int(t));

    gbAirConditioner = named(new QGroupBox(QStringLiteral("Ar-condicionado")), "gbAirConditioner");
    auto* acLayout = new QFormLayout(gbAirConditioner);
    static const char* const modeNames[] = {"ckModeFrio", "ckModeQuente", "ckModeVentilar", "ckModeSeco", "ckModeAuto"};
    static const char* const fanNames[] = {"ckFanAuto", "ckFanBaixa", "ckFanMedia", "ckFanAlta"};
    auto* modesRow = new QHBoxLayout;
    const QStringList modes = airConditionerModes();
    for (size_t i = 0; i < ckModes.size(); ++i) {
        ckModes[i] = named(new QCheckBox(modes.value(qsizetype(i))), modeNames[i]);
        modesRow->addWidget(ckModes[i]);
    }
    auto* fansRow = new QHBoxLayout;
    const QStringList fans = airConditionerFans();
    for (size_t i = 0; i < ckFans.size(); ++i) {
        ckFans[i] = named(new QCheckBox(fans.value(qsizetype(i))), fanNames[i]);
        fansRow->addWidget(ckFans[i]);
    }
    ckModes[0]->setChecked(true);
    ckFans[0]->setChecked(true);
    const std::vector<int> temperatures = airConditionerTemperatures();
    sbTemperatureFrom = named(new QSpinBox, "sbTemperatureFrom");
    sbTemperatureTo = named(new QSpinBox, "sbTemperatureTo");
    for (QSpinBox* box : {sbTemperatureFrom, sbTemperatureTo}) {
        box->setRange(temperatures.front(), temperatures.back());
        box->setSuffix(QStringLiteral(" °C"));
    }
    sbTemperatureFrom->setValue(temperatures.front());
    sbTemperatureTo->setValue(temperatures.back());
    auto* temperatureRow = new QHBoxLayout;
    temperatureRow->addWidget(sbTemperatureFrom);
    temperatureRow->addWidget(new QLabel(QStringLiteral("a")));
    temperatureRow->addWidget(sbTemperatureTo);
    temperatureRow->addStretch();
    acLayout->addRow(QStringLiteral("Modos:"), modesRow);
    acLayout->addRow(QStringLiteral("Ventilação:"), fansRow);
    acLayout->addRow(QStringLiteral("Temperaturas:"), temperatureRow);
    gbAirConditioner->setVisible(false);

    mmKeys = named(new QPlainTextEdit, "mmKeys");
    mmKeys->setPlaceholderText(QStringLiteral("Uma tecla por linha"));
    mmKeys->setTabChangesFocus(true);
    bbStartRemote = named(new QPushButton(QStringLiteral("&Iniciar")), "bbStartRemote");
    bbStartRemote->setDefault(true);

    auto* setup = new QFormLayout;
    auto* nameLabel = new QLabel(QStringLiteral("&Nome do controle:"));
    nameLabel->setBuddy(edRemoteName);
    setup->addRow(nameLabel, edRemoteName);
    setup->addRow(QStringLiteral("Código:"), kindRow);
    auto* templateLabel = new QLabel(QStringLiteral("&Modelo de teclas:"));
    templateLabel->setBuddy(cbKeyTemplate);
    setup->addRow(templateLabel, cbKeyTemplate);
    setup->addRow(gbAirConditioner);
    auto* keysLabel = new QLabel(QStringLiteral("&Teclas:"));
    keysLabel->setBuddy(mmKeys);
    setup->addRow(keysLabel, mmKeys);

    // ---- the learning ----
    lbCurrentKey = named(new QLabel, "lbCurrentKey");
    QFont large = lbCurrentKey->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    lbCurrentKey->setFont(large);
    lbCurrentKey->setWordWrap(true);
    lbCountdown = named(new QLabel, "lbCountdown");
    lbLearningStatus = named(new QLabel, "lbLearningStatus");
    lbLearningStatus->setWordWrap(true);
    lwRemoteKeys = named(new QListWidget, "lwRemoteKeys");
    bbRedoKey = named(new QPushButton(QStringLiteral("&Repetir")), "bbRedoKey");
    bbSkipKey = named(new QPushButton(QStringLiteral("&Pular")), "bbSkipKey");
    bbStopRemote = named(new QPushButton(QStringLiteral("P&arar")), "bbStopRemote");
    bbCloseRemote = named(new QPushButton(QStringLiteral("&Fechar")), "bbCloseRemote");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbStartRemote);
    buttons->addStretch();
    buttons->addWidget(bbRedoKey);
    buttons->addWidget(bbSkipKey);
    buttons->addWidget(bbStopRemote);
    buttons->addWidget(bbCloseRemote);

    auto* left = new QVBoxLayout;
    left->addLayout(setup);
    auto* right = new QVBoxLayout;
    right->addWidget(lbCurrentKey);
    right->addWidget(lbCountdown);
    right->addWidget(lbLearningStatus);
    right->addWidget(lwRemoteKeys, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    resize(820, 520);

    connect(cbKeyTemplate, &QComboBox::currentIndexChanged, this, [this] { templateChanged(); });
    for (QCheckBox* box : ckModes)
        connect(box, &QCheckBox::toggled, this, [this] { fillAirConditionerKeys(); });
    for (QCheckBox* box : ckFans)
        connect(box, &QCheckBox::toggled, this, [this] { fillAirConditionerKeys(); });
    for (QSpinBox* box : {sbTemperatureFrom, sbTemperatureTo})
        connect(box, &QSpinBox::valueChanged, this, [this] { fillAirConditionerKeys(); });
    connect(bbStartRemote, &QPushButton::clicked, this, [this] { bbStartRemoteClick(); });
    connect(bbRedoKey, &QPushButton::clicked, this, [this] { bbRedoKeyClick(); });
    connect(bbSkipKey, &QPushButton::clicked, this, [this] { bbSkipKeyClick(); });
    connect(bbStopRemote, &QPushButton::clicked, this, [this] { bbStopRemoteClick(); });
    connect(bbCloseRemote, &QPushButton::clicked, this, [this] { reject(); });
    setSetupEnabled(true);
}

TRemoteLearningDialog::~TRemoteLearningDialog() = default;

void TRemoteLearningDialog::learnRemote(QWidget* parent, TDeviceSession& session, TExchange& exchange,
    TSiteLibrary& library, const QString& unitMac, std::function<void()> filed)
{
    TRemoteLearningDialog dialog(session, exchange, library, unitMac, std::move(filed), parent);
    TDialogs::runModal(dialog);
}

// A template fills the key list, which stays editable; "Digitadas" leaves it as it is.
void TRemoteLearningDialog::templateChanged()
{
    const QVariant chosen = cbKeyTemplate->currentData();
    const bool airConditioner = chosen.isValid() && TKeyTemplate(chosen.toInt()) == TKeyTemplate::airConditioner;
    gbAirConditioner->setVisible(airConditioner);
    if (airConditioner)
        fillAirConditionerKeys();
    else if (chosen.isValid())
        mmKeys->setPlainText(templateKeys(TKeyTemplate(chosen.toInt())).join(QLatin1Char('\n')));
}

void TRemoteLearningDialog::fillAirConditionerKeys()
{
    if (!gbAirConditioner->isVisibleTo(this))
        return;
    QStringList modes, fans;
    for (QCheckBox* box : ckModes)
        if (box->isChecked())
            modes << box->text();
    for (QCheckBox* box : ckFans)
        if (box->isChecked())
            fans << box->text();
    std::vector<int> temperatures;
    for (int t = sbTemperatureFrom->value(); t <= sbTemperatureTo->value(); ++t)
        temperatures.push_back(t);
    mmKeys->setPlainText(airConditionerKeys(modes, fans, temperatures).join(QLatin1Char('\n')));
}

void TRemoteLearningDialog::setSetupEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*> {
             edRemoteName, rbRemoteIR, rbRemoteRF, cbKeyTemplate, gbAirConditioner, mmKeys, bbStartRemote})
        w->setEnabled(enabled);
    const bool choosing = learning_ && learning_->state() == TRemoteLearning::TState::choosing;
    for (QPushButton* b : {bbRedoKey, bbSkipKey, bbStopRemote})
        b->setEnabled(choosing && !waiting_);
    bbCloseRemote->setEnabled(!waiting_);
}

void TRemoteLearningDialog::bbStartRemoteClick()
{
    if (waiting_)
        return;
    const keyList_t keys = typedKeyList(mmKeys->toPlainText());
    QString refusal = keys.error;
    if (refusal.isEmpty())
        refusal = checkRemoteNames(library_, edRemoteName->text(), keys.keys);
    const std::optional<TLinkKind> link = session_.route();
    if (refusal.isEmpty() && !link)
        refusal = QStringLiteral("Nenhuma Ondix encontrada: localize a Ondix antes de aprender.");
    if (!refusal.isEmpty()) {
        lbLearningStatus->setText(refusal);
        if (keys.error.isEmpty())
            edRemoteName->setFocus();
        else
            mmKeys->setFocus();
        return;
    }
    ondixdevice::TRemoteLearningPlan plan;
    plan.remote = edRemoteName->text();
    plan.keys = keys.keys;
    plan.kind = rbRemoteRF->isChecked() ? TCodeKind::rf : TCodeKind::ir;
    plan.link = *link;
    plan.host = *link == TLinkKind::Network ? session_.deviceIP : QString();
    plan.unitMac = unitMac_;
    learning_ = std::make_unique<TRemoteLearning>(api_, library_, std::move(plan));
    lwRemoteKeys->clear();
    for (const ondixdevice::remoteKey_t& key : learning_->keys())
        lwRemoteKeys->addItem(keyRowText(key));
    lbLearningStatus->clear();
    runLearning();
}

void TRemoteLearningDialog::showKey(int key)
{
    if (key >= 0 && key < lwRemoteKeys->count())
        lwRemoteKeys->item(key)->setText(keyRowText(learning_->keys()[size_t(key)]));
}

void TRemoteLearningDialog::runLearning()
{
    ondixdevice::TRemoteLearningEvents events;
    events.pressing = [this](int key, int press) {
        lwRemoteKeys->setCurrentRow(key);
        lbCurrentKey->setText(
            QStringLiteral("Pressione a tecla \"%1\" (%2ª vez)").arg(learning_->keys()[size_t(key)].key).arg(press));
        lbCountdown->setText(QStringLiteral("Aguardando a Ondix..."));
        lbLearningStatus->clear();
    };
    events.progress.countdown = [this](int remainingMs) {
        lbCountdown->setText(
            QStringLiteral("Tempo restante: %1 s")
                .arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(remainingMs / 1000.0, 'f', 1)));
    };
    events.keyChanged = [this](int key) { showKey(key); };
    events.filed = [this](int) {
        if (filed_)
            filed_();
    };

    waiting_ = true;
    setSetupEnabled(false);
    learning_->run(events);
    waiting_ = false;
    lbCountdown->clear();
    showChoice();
}

// After a run: the choice asked, or the end of the remote.
void TRemoteLearningDialog::showChoice()
{
    if (learning_->state() == TRemoteLearning::TState::choosing) {
        const ondixdevice::remoteKey_t& key = learning_->keys()[size_t(learning_->keyIndex())];
        lbCurrentKey->setText(QStringLiteral("Tecla \"%1\": Repetir, Pular ou Parar?").arg(key.key));
        lbLearningStatus->setText(learning_->problem());
        setSetupEnabled(false);
        bbRedoKey->setDefault(true);
        bbRedoKey->setFocus();
        return;
    }
    for (int i = 0; i < lwRemoteKeys->count(); ++i)
        showKey(i);
    lbCurrentKey->clear();
    lbLearningStatus->setText(QStringLiteral("Controle \"%1\": %2 de %3 teclas salvas na biblioteca.")
                                  .arg(learning_->plan().remote)
                                  .arg(learning_->filedCount())
                                  .arg(learning_->keys().size()));
    setSetupEnabled(true);
    bbStartRemote->setDefault(true);
    bbCloseRemote->setFocus();
}

void TRemoteLearningDialog::bbRedoKeyClick()
{
    if (waiting_ || !learning_ || learning_->state() != TRemoteLearning::TState::choosing)
        return;
    learning_->redo();
    runLearning();
}

void TRemoteLearningDialog::bbSkipKeyClick()
{
    if (waiting_ || !learning_ || learning_->state() != TRemoteLearning::TState::choosing)
        return;
    const int key = learning_->keyIndex();
    learning_->skip();
    showKey(key);
    if (learning_->state() == TRemoteLearning::TState::ready)
        runLearning();
    else
        showChoice();
}

void TRemoteLearningDialog::bbStopRemoteClick()
{
    if (waiting_ || !learning_ || learning_->state() != TRemoteLearning::TState::choosing)
        return;
    learning_->stop();
    showChoice();
}

void TRemoteLearningDialog::reject()
{
    if (!waiting_)
        QDialog::reject();
}

void TRemoteLearningDialog::closeEvent(QCloseEvent* event)
{
    if (waiting_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
