// The settings edits of the first tab and how a device record is shown in them; the
// address typed in the four boxes.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "discovery/deviceInfo.h"

class QCheckBox;
class QLineEdit;

struct TSettingsEdits {
    std::array<QLineEdit*, 4> ip {};  // IP_4 (leftmost) ... IP_1
    std::array<QLineEdit*, 4> mask {};  // M_IP_4 ... M_IP_1
    std::array<QLineEdit*, 4> gateway {};  // GW_IP_4 ... GW_IP_1
    std::array<QLineEdit*, 6> mac {};  // macAddr0 ... macAddr5
    QCheckBox* dhcp = nullptr;  // ckbDHCPOn
    QLineEdit* port = nullptr;  // edPort
    // When set, receives every record shown in these edits: a settings write sends back
    // the bytes no edit holds as the device last reported them.
    std::optional<deviceinfo::Record>* shown = nullptr;
};

// Rows IP, mask, gateway, MAC, DHCP and port of a deviceInfo record into the edits;
// returns the whole decoded record for the callers that show the rest.
deviceinfo::TDeviceDisplay showSettingsRecord(const TSettingsEdits& edits, const uint8_t* record);

// The address typed in the boxes IP_4 "." IP_3 "." IP_2 "." IP_1, each read as a decimal
// number ("050" is 50). A box that holds no number from 0 to 255 gives an empty text and,
// when `error` is given (the caller refuses the operation with it), one line naming the box
// and what it holds, and the focus goes to that box.
QString addressFromBoxes(const std::array<QLineEdit*, 4>& ip, QString* error = nullptr);

// The edit of `edits` whose objectName is `name`; null when none is.
QLineEdit* settingsEditNamed(const TSettingsEdits& edits, const QString& name);

// A box whose text was refused: its tab comes to the front and the focus goes into it with
// its text selected, so that the user can type the number again at once.
void focusRefusedBox(QLineEdit* box);
