#include "discovery/deviceDisplay.h"

#include <QCheckBox>
#include <QLineEdit>

deviceinfo::TDeviceDisplay showSettingsRecord(const TSettingsEdits& edits, const uint8_t* record)
{
    const deviceinfo::TDeviceDisplay d = deviceinfo::display(record);
    for (size_t i = 0; i < 4; ++i)
        edits.ip[i]->setText(d.ip[i]);
    for (size_t i = 0; i < 4; ++i)
        edits.mask[i]->setText(d.mask[i]);
    for (size_t i = 0; i < 4; ++i)
        edits.gateway[i]->setText(d.gateway[i]);
    for (size_t i = 0; i < 6; ++i)
        edits.mac[i]->setText(d.mac[i]);
    edits.dhcp->setChecked(d.dhcp);
    edits.port->setText(d.port);
    return d;
}

QString addressFromBoxes(const std::array<QLineEdit*, 4>& ip)
{
    return ip[0]->text() + QLatin1Char('.') + ip[1]->text() + QLatin1Char('.') + ip[2]->text()
           + QLatin1Char('.') + ip[3]->text();
}
