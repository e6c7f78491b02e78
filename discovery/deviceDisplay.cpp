#include "discovery/deviceDisplay.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

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
            if (error) {
                *error = field.error;
                focusRefusedBox(box);
            }
            return {};
        }
        octets.append(QString::number(field.value));
    }
    return octets.join(QLatin1Char('.'));
}

QLineEdit* settingsEditNamed(const TSettingsEdits& edits, const QString& name)
{
    for (const auto* group : {&edits.ip, &edits.mask, &edits.gateway})
        for (QLineEdit* box : *group)
            if (box && box->objectName() == name)
                return box;
    if (edits.port && edits.port->objectName() == name)
        return edits.port;
    return nullptr;
}

void focusRefusedBox(QLineEdit* box)
{
    if (!box)
        return;
    const auto focus = [box] {
        // A tab page sits in the tab widget's stack: bring forward every page around the box.
        for (QWidget* page = box; page->parentWidget(); page = page->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
                tabs && tabs->indexOf(page) >= 0)
                tabs->setCurrentWidget(page);
        if (!box->isEnabled())
            return false;
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
        return true;
    };
    // An operation that holds its controls disabled gets them back when its handler
    // returns: the focus follows then.
    if (!focus())
        QTimer::singleShot(0, box, [focus] { focus(); });
}
