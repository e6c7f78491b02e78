// Finding devices on the network: the interface list, the broadcast search, the
// listener's discovery branch, the selection among the devices found, and the display
// of one device's record.
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
#include <QCheckBox>

#include "app/dialogs.h"
#include "app/mainUnit.h"
#include "discovery/chooseOndixUnit.h"
#include "discovery/deviceInfo.h"
#include "link/frames.h"

namespace {

constexpr int searchWaitPolls = 100;

const QStringList& nothingFoundAdvice()
{
    static const QStringList lines{
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

QList<QHostAddress> TfmPrincipal::systemLocalAddresses()
{
    return QNetworkInterface::allAddresses();
}

void TfmPrincipal::setupDiscovery()
{
    localAddressSource = &TfmPrincipal::systemLocalAddresses;
    connect(bbFindDevice, &QPushButton::clicked, this, [this] { bbFindDeviceClick(); });
    connect(TimerOndixFound, &QTimer::timeout, this, &TfmPrincipal::TimerOndixFoundTimer);
    connect(cbIPs, &QComboBox::currentIndexChanged, this, &TfmPrincipal::cbIPsChange);
}

void TfmPrincipal::GetLocalIPList(QStringList& local, QStringList& broadcast)
{
    for (const QHostAddress& address : localAddressSource()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const QString text = address.toString();
        local.append(text);
        broadcast.append(deviceinfo::broadcastFor(text));
    }
}

bool TfmPrincipal::findDeviceOnNetwork(const QString& target)
{
    for (QWidget* w : {static_cast<QWidget*>(bbFindDevice), static_cast<QWidget*>(bbSendComd),
                       static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(GroupBox2),
                       pnControlesRTS, static_cast<QWidget*>(bbLearningRF)})
        w->setEnabled(false);
    const QList<QWidget*> busyWidgets{bbFindDevice, GroupBox1, mmInfo, TabControl1};
    for (QWidget* w : busyWidgets)
        w->setCursor(Qt::WaitCursor);

    foundDevices.clear();
    chooser->lvIPs->clear();
    {
        const QSignalBlocker quiet(cbIPs);
        cbIPs->clear();
    }
    cbIPs->setVisible(false);
    lbIPs->setVisible(false);
    discoveryActive = true;

    localAddresses.clear();
    broadcastAddresses.clear();
    GetLocalIPList(localAddresses, broadcastAddresses);

    const QByteArray request = ondixframe::bodilessFrame(0x03);
    for (int i = 0; i < broadcastAddresses.size(); ++i) {
        clearLog();
        answerReady = 0;
        answerFill = 0;
        if (target.isEmpty()) {
            sendDatagram(request, broadcastAddresses.at(i));
            logLine(QStringLiteral("Procurando Ondix na interface de rede %1 ...").arg(i));
        } else {
            sendDatagram(request, target);
        }
        if (exchange.waitAnswer(searchWaitPolls)) {
            // The selection handler restores the controls and cursors.
            if (!TimerOndixFound->isActive())
                TimerOndixFound->start();
            return true;
        }
        if (exchange.aborted())
            break;
    }

    bbFindDevice->setEnabled(true);
    TabControl1->setEnabled(true);
    for (QWidget* w : busyWidgets)
        w->unsetCursor();
    return false;
}

void TfmPrincipal::discoveryAnswer(const QByteArray& datagram, const QHostAddress& sender)
{
    answerFill = 0;
    // A datagram too short to hold a record is dropped, never read past its end.
    if (datagram.size() < qsizetype(deviceinfo::recordSize))
        return;
    deviceinfo::Record record;
    std::copy_n(reinterpret_cast<const uint8_t*>(datagram.constData()), record.size(), record.begin());
    if (!deviceinfo::checksumMatches(record.data()))
        return;
    for (const auto& known : foundDevices)
        if (deviceinfo::sameDevice(known.data(), record.data()))
            return;

    foundDevices.push_back(record);
    const QString where = QStringLiteral("Ondix encontrada em ") + sender.toString() + QStringLiteral(" ...");
    logLine(where);
    answerReady = 1;
    answerLen = int32_t(datagram.size());
    emit answerSignalled();

    if (!usbDeviceFound) {
        chooser->UpdateIPList(sender.toString());
        lbStatusBar->setText(where);
        netDeviceFound = true;
        // Counted from the first new device: a running timer is not restarted.
        if (!TimerOndixFound->isActive())
            TimerOndixFound->start();
    }
}

void TfmPrincipal::TimerOndixFoundTimer()
{
    TimerOndixFound->stop();
    // A device announced while the chooser is open has just joined its list; the choice
    // under way takes it into account, so the timer must not start a second one inside it.
    if (chooser->isVisible())
        return;
    discoveryActive = false;

    if (!foundDevices.empty()) {
        selectedDevice = -1;
        if (foundDevices.size() > 1)
            TDialogs::runModal(*chooser);
        else
            selectedDevice = 0;

        if (selectedDevice >= 0) {
            if (foundDevices.size() > 1) {
                // Filled without signals: the device is shown once, just below.
                const QSignalBlocker quiet(cbIPs);
                cbIPs->clear();
                for (int i = 0; i < chooser->lvIPs->count(); ++i)
                    cbIPs->addItem(chooser->lvIPs->item(i)->text());
                cbIPs->setCurrentIndex(selectedDevice);
                cbIPs->setVisible(true);
                lbIPs->setVisible(true);
            }
            upDateOndixData(selectedDevice);
            GroupBox1->setEnabled(true);
            GroupBox2->setEnabled(true);
            bbSendComd->setEnabled(true);
            pnControlesRTS->setEnabled(true);
        }
    }

    bbFindDevice->setEnabled(true);
    TabControl1->setEnabled(true);
    for (QWidget* w : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(mmInfo),
                       static_cast<QWidget*>(bbFindDevice), static_cast<QWidget*>(TabControl1)})
        w->unsetCursor();
}

void TfmPrincipal::bbFindDeviceClick()
{
    usbDeviceFound = false;
    netDeviceFound = false;
    usbDeviceFound = findDeviceOnSerialPort();
    if (usbDeviceFound)
        return;

    QString target;
    if (!IP_4->text().isEmpty() && !IP_3->text().isEmpty() && !IP_2->text().isEmpty()
        && !IP_1->text().isEmpty())
        target = addressFromBoxes();
    netDeviceFound = findDeviceOnNetwork(target);
    if (!netDeviceFound)
        for (const QString& line : nothingFoundAdvice())
            logLine(line);
}

deviceinfo::TDeviceDisplay TfmPrincipal::showSettingsRecord(const uint8_t* record)
{
    const deviceinfo::TDeviceDisplay d = deviceinfo::display(record);
    const std::array<QLineEdit*, 4> ip{IP_4, IP_3, IP_2, IP_1};
    const std::array<QLineEdit*, 4> mask{M_IP_4, M_IP_3, M_IP_2, M_IP_1};
    const std::array<QLineEdit*, 4> gateway{GW_IP_4, GW_IP_3, GW_IP_2, GW_IP_1};
    for (size_t i = 0; i < 4; ++i)
        ip[i]->setText(d.ip[i]);
    for (size_t i = 0; i < 4; ++i)
        mask[i]->setText(d.mask[i]);
    for (size_t i = 0; i < 4; ++i)
        gateway[i]->setText(d.gateway[i]);
    for (size_t i = 0; i < 6; ++i)
        macAddr[i]->setText(d.mac[i]);
    ckbDHCPOn->setChecked(d.dhcp);
    edPort->setText(d.port);
    return d;
}

void TfmPrincipal::upDateOndixData(int32_t index)
{
    if (index < 0 || size_t(index) >= foundDevices.size())
        return;
    const uint8_t* record = foundDevices[size_t(index)].data();
    logLine(QStringLiteral("Leitura dos parâmetros realizada com sucesso!"));
    bbLearningRF->setEnabled(false);
    const deviceinfo::TDeviceDisplay d = showSettingsRecord(record);
    deviceIP = addressFromBoxes();
    lbStatusBar->setText(QStringLiteral("Modulo Ondix em: ") + deviceIP);
    if (d.rfCapable)
        bbLearningRF->setEnabled(true);
    lbPN->setText(d.ident);
    lbfwVersion->setText(d.firmware);
}

void TfmPrincipal::cbIPsChange(int index)
{
    if (index >= 0)
        upDateOndixData(index);
}
