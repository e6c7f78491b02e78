// Learning a whole remote, the pure part: the key lists an installer starts from (typed,
// or a template for a TV, a receiver or an air conditioner), the names the codes are filed
// under, and whether two presses of one key gave the same code.
#pragma once

#include "library/siteLibrary.h"

#include <QString>
#include <QStringList>

#include <vector>

// ---- key lists ------------------------------------------------------------------------------

enum class TKeyTemplate { tv, receiver, airConditioner };

// "TV", "Receptor", "Ar-condicionado".
QString keyTemplateName(TKeyTemplate keyTemplate);
// The keys of a TV or a receiver, in the order an installer walks the remote. The air
// conditioner's keys come from airConditionerKeys.
QStringList templateKeys(TKeyTemplate keyTemplate);

// What an air-conditioner remote offers: the modes ("Frio", "Quente", "Ventilar", "Seco",
// "Auto"), the fan speeds ("Auto", "Baixa", "Média", "Alta") and the temperatures (16 to 30).
QStringList airConditionerModes();
QStringList airConditionerFans();
std::vector<int> airConditionerTemperatures();

// One key per chosen mode, fan and temperature, named "Frio Auto 22°C" (mode, then fan, then
// temperature, in the order given), then "Desliga". An air conditioner's remote sends its
// whole state with every press, so each state is a code of its own.
QStringList airConditionerKeys(const QStringList& modes, const QStringList& fans, const std::vector<int>& temperatures);

struct keyList_t {
    QStringList keys;
    QString error;  // non-empty: the list is refused, `keys` is empty
};

// The keys typed one per line: blanks around a name are dropped, blank lines skipped. A
// key named twice (without regard to case, as the library compares names) or a list with
// no key is refused with the message.
keyList_t typedKeyList(const QString& text);
// The same checks over a list already split (a template's, or a generated one).
QString checkKeyNames(const QStringList& keys);

// The name a key is filed under: "<remote> <key>" ("TV Sala Volume +").
QString remoteCodeName(const QString& remote, const QString& key);
// Before any learning starts: the remote's name is given and every code name is free in the
// library. Empty when all is well, else the message naming every clash.
QString checkRemoteNames(const TSiteLibrary& library, const QString& remote, const QStringList& keys);

// ---- two presses of one key ------------------------------------------------------------------

// A duration of one press matches the other press's when they differ by at most this share
// of the larger one, or by at most this many units (IR: carrier periods; RF: the device's
// sample units), whichever allows more. The unit allowance keeps short pulses, a few units
// long, from failing on the device's counting jitter alone.
constexpr double pressTolerance = 0.20;
constexpr int pressToleranceUnits = 2;
// Two IR presses whose carriers differ by more than this share are different codes.
constexpr double carrierTolerance = 0.10;

struct pressComparison_t {
    bool same = false;
    QString difference;  // why they differ, for the user; empty when they are the same
};

// Whether two presses of one key gave the same code. When the decoder named both (IR), they
// are the same when protocol, address and command (and the vendor, for Kaseikyo) agree.
// Otherwise the frames the analyses took are compared (the whole capture when no frame was
// found): the same count of durations, each pair within the tolerance above, and for IR
// carriers within carrierTolerance. The frame's closing space is left out: it is the pause
// before the next frame, or the rest of the capture wait, which the remote does not keep.
pressComparison_t comparePresses(const libraryCode_t& first, const libraryCode_t& second);
