// The command line of `ondix` read into a plain record: the device choice, the command and
// its values, every value checked here so that a refused one stops the tool before anything
// is sent. Pure: arguments in, a record or a message out.
#pragma once

#include "library/codeExchange.h"
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace ondixcli {

enum class TChoice { automatic, usb, ip, mac };

enum class TCommand {
    none,
    list,
    info,
    settingsGet,
    settingsSet,
    clockGet,
    clockSet,
    learn,
    send,
    rtsList,
    rtsAdd,
    rtsDrive,
    rtsDelete,
    generateTc2,
    generateTl,
    macSet,
    flashRead,
    firmwareUpdate,
    libraryList,
    libraryImport,
    libraryExport,
    librarySend,
    rtsBackup,
    rtsRestore,
};

enum class TLearnKind { ir, rf };
enum class TLearnMode { automatic, raw, rts };
enum class TDriveAction { up, stop, down };
// The formats of `library import` and `export`: IR (Pronto Hex, Global Caché, ir-ctl, Flipper),
// the tool's own line (IR or RF), raw RF durations in the device's unit.
using TAddress = std::array<uint8_t, 4>;

struct TCliOptions {
    // ---- device choice and output ---------------------------------------------------
    TChoice choice = TChoice::automatic;
    QString ip;  // --ip: the unit's address, dotted
    QString mac;  // --mac: "AA:BB:CC:DD:EE:FF", upper case
    bool json = false;
    bool verbose = false;
    bool force = false;
    int searchMs = 1000;  // --wait: how long the search collects answers
    QString library;  // --library: the site library file; empty: none

    TCommand command = TCommand::none;

    // ---- settings set: only the fields given change -----------------------------------
    std::optional<TAddress> newIp, newMask, newGateway;
    std::optional<bool> newDhcp;
    std::optional<uint16_t> newPort;

    // ---- clock set: the computer's time, or this local time -------------------------
    bool clockNow = false;
    QDateTime clockTime;

    // ---- learn ----------------------------------------------------------------------
    TLearnKind learnKind = TLearnKind::rf;
    TLearnMode learnMode = TLearnMode::automatic;
    uint16_t divisor = 16;  // and library import --format rfraw
    QString saveName;  // --save: file the learned code under this name

    // ---- send: these lines, or standard input when none ------------------------------
    QStringList lines;

    // ---- rts ------------------------------------------------------------------------
    bool rtsTube = false;  // add: tube, else somfy
    TDriveAction driveAction = TDriveAction::up;
    // A remote named by its identifier ("0A-FF-00") or by its place in the table (1 ...).
    std::optional<std::array<uint8_t, 3>> remoteId;
    int remoteRow = 0;  // 1-based; 0 when named by identifier

    // ---- library ----------------------------------------------------------------------
    TCodeFormat format = TCodeFormat::line;
    QString codeName;  // import: --name; export and send: the code named
    QString importPath;  // import: the file, "-" for standard input
    bool flipperParsed = false;  // export --parsed: Flipper parsed signals where the protocol is named
    QString fromMac;  // rts restore --from: the unit whose backup is restored, upper case

    // ---- generate -------------------------------------------------------------------
    int keys = 1;

    // ---- service --------------------------------------------------------------------
    std::array<QString, 6> macBytes;  // mac set: two hex digits each
    QString flashAddress, flashQuantity;
};

// What reading the arguments came to: run `options`, or stop with `exitCode` after writing
// `output` (help, version: standard output) or `error` (standard error).
struct TParse {
    bool run = false;
    TCliOptions options;
    int exitCode = 0;
    QString output;
    QString error;
};

// `arguments` without the program name.
TParse parseArguments(const QStringList& arguments);

// The help of the tool, or of one command ("settings", "learn", ...; empty: the tool's).
QString helpText(const QString& command = {});

// "pronto", "gc", ... and back.

// Dotted IPv4 text, four decimal numbers 0 to 255. nullopt when refused.
std::optional<TAddress> parseAddress(const QString& text);
// "AA:BB:CC:DD:EE:FF" (':' or '-', either case) as six two-digit upper-case texts.
std::optional<std::array<QString, 6>> parseMac(const QString& text);

}  // namespace ondixcli
