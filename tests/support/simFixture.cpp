#include "tests/support/simFixture.h"

#include "app/dialogs.h"
#include "tools/fakehid/fakehid.h"

#include <QJsonArray>
#include <QtWidgets>

TSimFixture::TSimFixture(const char* name, int devices, int subnet)
    : net(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(QCoreApplication::applicationPid())), devices_(devices),
      subnet_(subnet)
{
}

bool TSimFixture::startSim(const QList<QJsonObject>& devices)
{
    QJsonArray list;
    for (QJsonObject d : devices)
        d.insert("ip", net.deviceAddress(int(list.size()))), list.append(d);
    return net.startSim(QJsonObject {{"devices", list}});
}

TfmPrincipal& TSimFixture::networkWindow(int chosen, int typed)
{
    window = std::make_unique<TfmPrincipal>(nullptr, false);
    TfmPrincipal& w = *window;
    w.netDeviceFound = true;
    w.deviceIP = net.deviceAddress(chosen);
    setAddressBoxes(w, net.deviceAddress(typed));
    w.edPort->setText("4998");
    for (QWidget* c : std::initializer_list<QWidget*> {w.GroupBox1, w.bbSendComd, w.pnControlesRTS})
        c->setEnabled(true);
    return w;
}

QStringList TSimFixture::deviceLines() const
{
    QStringList lines;
    const QString tag = QStringLiteral(" LINE %1 ").arg(net.deviceAddress(0));
    for (const QString& entry : net.simLog().split(u'\n'))
        if (entry.contains(tag))
            lines << entry.section(tag, 1);
    return lines;
}

bool TSimFixture::received(const QString& hex, int device) const
{
    return net.simLog().contains(
        QStringLiteral("RX UDP %1 <- %2:4040 %3").arg(net.deviceAddress(device), net.toolAddress(), hex));
}

void TSimFixture::reset()
{
    window.reset();
    net.stopSim();
    fakehid::setResponder(nullptr);
    cable.reset();
    fakehid::reset();
    TDialogs::resetScript();
}
