// Every device operation run through the window, one driver for the fault matrix and the
// soak benchmark: the operations, the demonstration device they run against (for ondix-sim
// or for the fake cable) and the window as a search leaves it.
#pragma once

#include "app/mainUnit.h"
#include "tools/devicecore/ondixDevice.h"

#include <QJsonObject>

namespace deviceops {

enum class Op {
    search,
    settingsRead,
    settingsWrite,
    rfLearn,
    irLearn,
    clockGet,
    clockSet,
    rtsRead,
    rtsWrite,
    macWrite,
    flashRead,
    firmware,
    sendLine,
    count
};
const char* name(Op op);
// The command code each operation sends (0: a typed line).
uint8_t code(Op op);

inline const QString before = QStringLiteral("antes");  // the log line each run starts after
inline const QString typedLine = QStringLiteral("sendrf,2,5,1,300,900");

// One Somfy remote (key 167, rolling code 4660, 0A-FF-00), the demonstration captures heard
// `captureDelayMs` after the acknowledgement, and the flash image 00 1F FF.
ondixsim::DeviceConfig cableDevice(std::array<uint8_t, 4> ip, int captureDelayMs = 50);
// The same device (without the flash image) as ondix-sim configures it.
QJsonObject simDevice(const QString& ip, int captureDelayMs = 50);

// Fills the window as a search of the device `shown` leaves it: its record in the boxes,
// the device controls enabled, the flash boxes 1 and 4, a fixed local clock.
void prepare(TfmPrincipal& w, const ondixsim::DeviceConfig& shown, const QString& deviceIp);
// The link the next operations use: the network with real event-loop waits of 2 ms polls,
// or the fake cable's virtual clock.
void useLink(TfmPrincipal& w, bool network);
// Clears the log, writes `before` and runs the operation as its button does (a network
// search is a broadcast one; a typed line is `typedLine`).
void run(TfmPrincipal& w, Op op, bool network);
// The log, then the RTS grid ("[grid] ..." rows) or the status bar ("[status] ...").
QStringList observed(TfmPrincipal& w, Op op);

}  // namespace deviceops
