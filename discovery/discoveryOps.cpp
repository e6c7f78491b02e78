// Finding devices on the network: the interface list, the broadcast search, the
// listener's discovery branch, the selection among the devices found, and the display
// of one device's record.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include "app/busyControls.h"
#include "app/dialogs.h"
#include "discovery/chooseOndixUnit.h"
#include "discovery/deviceInfo.h"
#include "discovery/discoveryOps.h"
#include "link/deviceSession.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/logSink.h"

namespace {

constexpr int searchWaitPolls = 100;

const QStringList& nothingFoundAdvice()
{
    static const QStringList lines {
        QString(54, QLatin1Char('-')),
        QStringLiteral("Nenhum dispositivo encontrado na rede!"),
        QStringLiteral("Verifique configurações de rede e/ou \"router\"..."),
        QStringLiteral("Para configurar o dispositivo, sem que saiba o IP, "),
        QStringLiteral("conecte diretamente o dispositivo via cabo USB, no PC."),
        QString(54, QLatin1Char('-')),
        QString(74, QLatin1Char('-')),
        QStringLiteral("Nenhum dispositivo encontrado via USB..."),
        QStringLiteral("Caso o dispositivo esteja conectado ao PC, verifique"),
        QStringLiteral("se o cabo USB que está sendo utilizado, seja cabo de DADOS."),
        QString(74, QLatin1Char('-')),
    };
    return lines;
}

}  // namespace

TDiscoveryOps::TDiscoveryOps(TDeviceSession& session, TExchange& exchange, TLog& log, const TDiscoveryControls& ui)
    : localAddressSource(&TDiscoveryOps::systemLocalAddresses), session_(session), exchange_(exchange),
      api_(session, exchange), log_(log), ui_(ui)
{
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(0);
    QObject::connect(&showTimer_, &QTimer::timeout, [this] { showFoundDevices(); });
}

QList<QHostAddress> TDiscoveryOps::systemLocalAddresses()
{
    return QNetworkInterface::allAddresses();
}

// The IPv4 addresses in the system's order, the loopback ones last: a device on a real
// network is then found after one wait, and an emulated one on this computer still answers
// when nothing else does.
void TDiscoveryOps::GetLocalIPList(QStringList& local, QStringList& broadcast)
{
    const QList<QHostAddress> addresses = localAddressSource();
    for (const bool loopback : {false, true})
        for (const QHostAddress& address : addresses) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback() != loopback)
                continue;
            const QString text = address.toString();
            local.append(text);
            broadcast.append(deviceinfo::broadcastFor(text));
        }
}

bool TDiscoveryOps::findDeviceOnNetwork(const QString& target)
{
    for (QWidget* w : {(ui_.bbFindDevice), (ui_.bbSendComd), (ui_.GroupBox1), (ui_.GroupBox2), ui_.pnControlesRTS,
             (ui_.bbLearningRF)})
        w->setEnabled(false);
    const QList<QWidget*> busyWidgets {ui_.bbFindDevice, ui_.GroupBox1, ui_.mmInfo, ui_.TabControl1};
    for (QWidget* w : busyWidgets)
        w->setCursor(Qt::WaitCursor);

    foundDevices.clear();
    showTimer_.stop();
    unshownLines_.clear();
    unshownChoices_.clear();
    unshownStatus_.clear();
    ui_.chooser->lvIPs->clear();
    {
        const QSignalBlocker quiet(ui_.cbIPs);
        ui_.cbIPs->clear();
    }
    ui_.cbIPs->setVisible(false);
    ui_.lbIPs->setVisible(false);
    session_.discoveryActive = true;

    localAddresses.clear();
    broadcastAddresses.clear();
    GetLocalIPList(localAddresses, broadcastAddresses);

    const QByteArray request = ondixframe::bodilessFrame(0x03);
    for (int i = 0; i < broadcastAddresses.size(); ++i) {
        log_.clearLog();
        session_.expectAnswer(TLinkKind::Network);
        if (target.isEmpty()) {
            session_.sendDatagram(request, broadcastAddresses.at(i));
            log_.logLine(QStringLiteral("Procurando Ondix na interface de rede %1 ...").arg(i));
        } else {
            session_.sendDatagram(request, target);
            log_.logLine(QStringLiteral("Procurando Ondix no endereço %1 ...").arg(target));
        }
        if (exchange_.waitAnswer(searchWaitPolls)) {
            showFoundDevices();
            // The selection handler restores the controls and cursors.
            if (!ui_.TimerOndixFound->isActive())
                ui_.TimerOndixFound->start();
            return true;
        }
        if (exchange_.aborted())
            break;
    }

    ui_.bbFindDevice->setEnabled(true);
    ui_.TabControl1->setEnabled(true);
    for (QWidget* w : busyWidgets)
        w->unsetCursor();
    return false;
}

void TDiscoveryOps::discoveryAnswer(const QByteArray& datagram, const QHostAddress& sender)
{
    const std::optional<deviceinfo::Record> record = deviceinfo::recordOfDatagram(datagram);
    if (!record)
        return;
    for (const auto& known : foundDevices)
        if (deviceinfo::sameDevice(known.data(), record->data()))
            return;

    foundDevices.push_back(*record);
    const QString where = QStringLiteral("Ondix encontrada em ") + sender.toString() + QStringLiteral(" ...");
    unshownLines_.append(where);
    session_.acceptDiscoveryAnswer(int32_t(datagram.size()));

    if (!session_.usbDeviceFound) {
        unshownChoices_.append(sender.toString());
        unshownStatus_ = where;
        session_.netDeviceFound = true;
        // Counted from the first new device: a running timer is not restarted.
        if (!ui_.TimerOndixFound->isActive())
            ui_.TimerOndixFound->start();
    }
    // The user choosing sees a late device at once; otherwise it joins the others shown at
    // the next turn.
    if (ui_.chooser->isVisible())
        showFoundDevices();
    else if (!showTimer_.isActive())
        showTimer_.start();
}

void TDiscoveryOps::showFoundDevices()
{
    showTimer_.stop();
    if (!unshownLines_.isEmpty())
        log_.logLine(unshownLines_.join(QLatin1Char('\n')));
    for (const QString& address : std::as_const(unshownChoices_))
        ui_.chooser->UpdateIPList(address);
    if (!unshownStatus_.isEmpty())
        log_.setStatus(unshownStatus_);
    unshownLines_.clear();
    unshownChoices_.clear();
    unshownStatus_.clear();
}

void TDiscoveryOps::TimerOndixFoundTimer()
{
    ui_.TimerOndixFound->stop();
    showFoundDevices();
    // A device announced while the ui_.chooser is open has just joined its list; the choice
    // under way takes it into account, so the timer must not start a second one inside it.
    if (ui_.chooser->isVisible())
        return;
    session_.discoveryActive = false;

    if (!foundDevices.empty()) {
        selectedDevice = -1;
        if (foundDevices.size() > 1)
            TDialogs::runModal(*ui_.chooser);
        else
            selectedDevice = 0;

        if (selectedDevice >= 0) {
            if (foundDevices.size() > 1) {
                // Filled without signals: the device is shown once, just below.
                const QSignalBlocker quiet(ui_.cbIPs);
                ui_.cbIPs->clear();
                for (int i = 0; i < ui_.chooser->lvIPs->count(); ++i)
                    ui_.cbIPs->addItem(ui_.chooser->lvIPs->item(i)->text());
                ui_.cbIPs->setCurrentIndex(selectedDevice);
                ui_.cbIPs->setVisible(true);
                ui_.lbIPs->setVisible(true);
            }
            upDateOndixData(selectedDevice);
            ui_.GroupBox1->setEnabled(true);
            ui_.GroupBox2->setEnabled(true);
            ui_.bbSendComd->setEnabled(true);
            ui_.pnControlesRTS->setEnabled(true);
        }
    }

    ui_.bbFindDevice->setEnabled(true);
    ui_.TabControl1->setEnabled(true);
    for (QWidget* w : {(ui_.GroupBox1), (ui_.mmInfo), (ui_.bbFindDevice), (ui_.TabControl1)})
        w->unsetCursor();
}

void TDiscoveryOps::bbFindDeviceClick()
{
    session_.usbDeviceFound = false;
    session_.netDeviceFound = false;
    // A cable plugged in since the last look is opened first.
    if (!session_.usbConnected())
        session_.userConnect(log_);
    session_.usbDeviceFound = findDeviceOnSerialPort();
    if (session_.usbDeviceFound)
        return;

    // A directed search when every address box is filled, else a broadcast search.
    QString target;
    const auto& ip = ui_.edits.ip;
    if (!ip[0]->text().isEmpty() && !ip[1]->text().isEmpty() && !ip[2]->text().isEmpty() && !ip[3]->text().isEmpty()) {
        QString error;
        target = addressFromBoxes(ip, &error);
        if (target.isEmpty()) {
            log_.logLine(error);
            return;
        }
    }
    session_.netDeviceFound = findDeviceOnNetwork(target);
    if (!session_.netDeviceFound)
        for (const QString& line : nothingFoundAdvice())
            log_.logLine(line);
}

void TDiscoveryOps::upDateOndixData(int32_t index)
{
    if (index < 0 || size_t(index) >= foundDevices.size())
        return;
    const uint8_t* record = foundDevices[size_t(index)].data();
    log_.logLine(QStringLiteral("Leitura dos parâmetros realizada com sucesso!"));
    ui_.bbLearningRF->setEnabled(false);
    const deviceinfo::TDeviceDisplay d = showSettingsRecord(ui_.edits, record);
    session_.deviceIP = addressFromBoxes(ui_.edits.ip);
    log_.setStatus(QStringLiteral("Modulo Ondix em: ") + session_.deviceIP);
    if (d.rfCapable)
        ui_.bbLearningRF->setEnabled(true);
    ui_.lbPN->setText(d.ident);
    ui_.lbfwVersion->setText(d.firmware);
}

void TDiscoveryOps::cbIPsChange(int index)
{
    if (index >= 0)
        upDateOndixData(index);
}

bool TDiscoveryOps::findDeviceOnSerialPort()
{
    // These stay disabled unless the probe finds a device.
    const QList<QWidget*> deviceControls {ui_.GroupBox1, ui_.GroupBox2, ui_.bbSendComd, ui_.pnControlesRTS};
    for (QWidget* w : deviceControls)
        w->setEnabled(false);

    if (api_.busy())
        return false;  // another exchange is waiting for its answer
    ondixdevice::TRecordResult result;
    {
        const TBusyControls hold({ui_.bbFindDevice, ui_.TabControl1}, {ui_.bbFindDevice, ui_.GroupBox1, ui_.mmInfo});
        result = api_.probeUsb();
        showResult(log_, result, false);
        if (result.ok()) {
            log_.setStatus(QStringLiteral("Módulo Ondix encontrado!"));
            const deviceinfo::TDeviceDisplay d = showSettingsRecord(ui_.edits, result.record.data());
            ui_.lbPN->setText(d.ident);
            ui_.lbfwVersion->setText(d.firmware);
            if (d.rfCapable)
                ui_.bbLearningRF->setEnabled(true);
        }
    }
    const bool found = result.ok();
    if (found)
        for (QWidget* w : deviceControls)
            w->setEnabled(true);
    return found;
}
