#include "discovery/deviceDisplay.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>

#include "settings/settingsFrames.h"

deviceinfo::TDeviceDisplay showSettingsRecord(const TSettingsEdits& edits, const uint8_t* record)
{
    deviceinfo::TDeviceDisplay d = deviceinfo::display(record);
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
    if (edits.shown) {
        deviceinfo::Record kept;
        std::copy_n(record, kept.size(), kept.begin());
        *edits.shown = kept;
    }
    return d;
}

QString addressFromBoxes(const std::array<QLineEdit*, 4>& ip, QString* error)
{
    QStringList octets;
    for (QLineEdit* box : ip) {
        const ondixsettings::TNumberField field =
            ondixsettings::parseDecimalField(box->objectName(), box->text(), ondixsettings::maxOctet);
        if (!field.ok) {
            if (error)
                *error = field.error;
            return {};
        }
        octets.append(QString::number(field.value));
    }
    return octets.join(QLatin1Char('.'));
}
