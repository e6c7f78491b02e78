// The site library: one JSON file per site with the codes learned there, the backups of the
// units' RTS tables and the units seen. Pure: the library in memory, its JSON form, and a load
// and a save that never leave a broken file behind (the save writes a temporary file and
// renames it over the old one).
#pragma once

#include "capture/irProtocol.h"
#include "rts/rtsTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The file's format version; a file of a higher version is refused.
constexpr int siteLibraryVersion = 1;

enum class TCodeKind { ir, rf };

// What the protocol decoder named in an IR capture.
struct libraryProtocol_t {
    QString name;  // "nec", "necExtended", ..., as irProtocolKey gives it
    uint32_t address = 0;
    uint32_t command = 0;
    uint32_t vendor = 0;  // Kaseikyo only
    bool operator==(const libraryProtocol_t&) const = default;
};

struct libraryCode_t {
    QString name;
    TCodeKind kind = TCodeKind::ir;
    QString line;  // the line the device replays
    std::vector<uint16_t> captured;  // the durations as captured (IR: carrier periods; RF: device units)
    uint32_t frameLength = 0;  // captured[0 .. frameLength-1] is the frame the analysis took; 0: none
    uint32_t carrier = 0;  // IR: Hz
    std::optional<libraryProtocol_t> protocol;  // IR, when named
    QDateTime learnedAt;  // UTC
    QString unitMac;  // "00:1A:2B:3C:4D:5E"
    bool operator==(const libraryCode_t&) const = default;
};

struct rtsBackup_t {
    QString unitMac;
    QDateTime takenAt;  // UTC
    std::vector<rtsRemote_t> remotes;  // as the unit held them, reserved byte included
    bool operator==(const rtsBackup_t&) const = default;
};

struct unitSettings_t {
    QString address;
    QString mask;
    QString gateway;
    bool dhcp = false;
    uint16_t tcpPort = 0;
    QDateTime readAt;  // UTC
    bool operator==(const unitSettings_t&) const = default;
};

struct unitSeen_t {
    QString mac;
    QString serial;
    QString firmware;
    QString lastAddress;
    QDateTime lastSeen;  // UTC
    std::optional<unitSettings_t> settings;  // as last read
    bool operator==(const unitSeen_t&) const = default;
};

// Stable names of the decoder's protocols in the file ("nec", "sirc12", ...) and back.
QString irProtocolKey(TIrProtocol protocol);
std::optional<TIrProtocol> irProtocolOfKey(const QString& key);
// What to store for a decoded press: nothing for an unnamed one or for repeat codes alone.
std::optional<libraryProtocol_t> libraryProtocolOf(const irDecoded_t& decoded);

class TSiteLibrary {
public:
    const std::vector<libraryCode_t>& codes() const { return codes_; }
    const std::vector<rtsBackup_t>& rtsBackups() const { return backups_; }
    const std::vector<unitSeen_t>& units() const { return units_; }
    // Changed since the last load or save.
    bool modified() const { return modified_; }

    // Code names are unique, compared without regard to case; blanks around a name are
    // dropped. Each returns an empty string on success, else the message, and changes nothing.
    QString addCode(libraryCode_t code);
    QString renameCode(const QString& name, const QString& newName);
    QString deleteCode(const QString& name);
    const libraryCode_t* findCode(const QString& name) const;

    void addRtsBackup(rtsBackup_t backup);
    // The latest backup of a unit, or null.
    const rtsBackup_t* latestRtsBackup(const QString& unitMac) const;
    // Adds the unit or updates the one with the same MAC.
    void noteUnit(const unitSeen_t& unit);

    QByteArray toJson() const;
    // Replaces the contents with the library in `json`; on a refusal the message, and the
    // library in memory stays as it was.
    QString fromJson(const QByteArray& json);

    // Reads the file; the message on failure (the library in memory unchanged).
    QString load(const QString& path);
    // Writes the file through a temporary file renamed over it; the message on failure, and the
    // old file, if any, stays whole.
    QString save(const QString& path);

    bool operator==(const TSiteLibrary& o) const
    {
        return codes_ == o.codes_ && backups_ == o.backups_ && units_ == o.units_;
    }

private:
    std::vector<libraryCode_t> codes_;
    std::vector<rtsBackup_t> backups_;
    std::vector<unitSeen_t> units_;
    bool modified_ = false;
};

// ---- restoring an RTS backup ----------------------------------------------------------------

// "0A-FF-00", as the RTS grid shows a remote identifier.
QString remoteIdText(const std::array<uint8_t, 3>& id);

struct rtsRaised_t {
    std::array<uint8_t, 3> remoteId {};
    uint16_t stored = 0;  // the backup's rolling code
    uint16_t unit = 0;  // what the unit holds now, written instead
    bool operator==(const rtsRaised_t&) const = default;
};

struct rtsRestorePlan_t {
    eepromRemoteData_t table;  // what to write to the unit
    std::vector<rtsRaised_t> raised;  // remotes whose stored rolling code was below the unit's
    std::vector<std::array<uint8_t, 3>> kept;  // remotes the unit holds and the backup lacks
    QString error;  // non-empty: nothing may be written
};

// The table to write back: every remote of the backup, in its order, with its rolling code
// raised to the unit's when the unit holds the same remote identifier with a higher code (a
// motor ignores a remote whose code went backwards); then the remotes the unit holds that the
// backup lacks, so that no pairing made since the backup is lost. Refused when the result
// would not fit the table.
rtsRestorePlan_t rtsRestorePlan(const std::vector<rtsRemote_t>& backup, const eepromRemoteData_t& unitNow);
