// Reading the command line. Options may come anywhere; the words that are no option make
// the command. After "settings set" the options --ip, --mask, --gateway, --dhcp and
// --port are the new values, before it --ip chooses the unit.
#include "cli/cliOptions.h"

#include "console/serviceFrames.h"
#include "settings/settingsFrames.h"

#include <QRegularExpression>
#include <QSet>

namespace ondixcli {

namespace {

const QString toolVersion = QStringLiteral("ondix " ONDIX_VERSION "\n");

TParse usageError(const QString& message)
{
    TParse p;
    p.exitCode = 2;
    p.error = message + QStringLiteral("\nUse \"ondix --help\" para ver os comandos.");
    return p;
}

// Options that take a value, and the commands each command-specific option belongs to.
const QSet<QString> valueOptions {QStringLiteral("--ip"), QStringLiteral("--mac"), QStringLiteral("--wait"),
    QStringLiteral("--mask"), QStringLiteral("--gateway"), QStringLiteral("--dhcp"), QStringLiteral("--port"),
    QStringLiteral("--divisor"), QStringLiteral("--keys"), QStringLiteral("--library"), QStringLiteral("--save"),
    QStringLiteral("--format"), QStringLiteral("--name"), QStringLiteral("--from")};

const QString formatRule = QStringLiteral("use pronto, gc, irctl, flipper, line ou rfraw");

QString refusedValue(const QString& option, const QString& text, const QString& rule)
{
    return QStringLiteral("Valor inválido em %1: \"%2\" (%3).").arg(option, text, rule);
}

const QString addressRule = QStringLiteral("use quatro números de 0 a 255 separados por pontos");

bool isRow(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    return digits.match(text).hasMatch();
}

// The remote named on the command line: "0A-FF-00", or its place in the list.
bool readRemote(const QString& text, TCliOptions& o)
{
    static const QRegularExpression id(QStringLiteral("^([0-9A-Fa-f]{2})-([0-9A-Fa-f]{2})-([0-9A-Fa-f]{2})$"));
    if (const auto m = id.match(text); m.hasMatch()) {
        std::array<uint8_t, 3> bytes {};
        for (int i = 0; i < 3; ++i)
            bytes[size_t(i)] = uint8_t(m.captured(i + 1).toUInt(nullptr, 16));
        o.remoteId = bytes;
        return true;
    }
    if (isRow(text)) {
        const int row = text.toInt();
        if (row < 1 || row > 100)
            return false;
        o.remoteRow = row;
        return true;
    }
    return false;
}

}  // namespace

std::optional<TAddress> parseAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    TAddress address {};
    for (int i = 0; i < 4; ++i) {
        const auto field = ondixsettings::parseDecimalField(QString(), parts[i], ondixsettings::maxOctet);
        if (!field.ok || parts[i].size() > 3)
            return std::nullopt;
        address[size_t(i)] = uint8_t(field.value);
    }
    return address;
}

std::optional<std::array<QString, 6>> parseMac(const QString& text)
{
    static const QRegularExpression mac(QStringLiteral("^([0-9A-Fa-f]{2})([:-])([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})\\2"
                                                       "([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})\\2([0-9A-Fa-f]{2})$"));
    const auto m = mac.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    std::array<QString, 6> bytes;
    const int groups[6] = {1, 3, 4, 5, 6, 7};
    for (size_t i = 0; i < 6; ++i)
        bytes[i] = m.captured(groups[i]).toUpper();
    return bytes;
}

TParse parseArguments(const QStringList& arguments)
{
    TCliOptions o;
    QStringList words;
    QStringList commandOptions;  // given command options, for the check against the command
    bool help = false;
    bool version = false;
    bool onlyWords = false;

    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (onlyWords || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            words << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            onlyWords = true;
            continue;
        }
        QString value;
        bool hasValue = false;
        if (const int eq = arg.indexOf(QLatin1Char('=')); arg.startsWith(QLatin1String("--")) && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            hasValue = true;
        }
        if (valueOptions.contains(arg) && !hasValue) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("Falta o valor de %1.").arg(arg));
            value = arguments[++i];
            hasValue = true;
        } else if (!valueOptions.contains(arg) && hasValue) {
            return usageError(QStringLiteral("A opção %1 não leva valor.").arg(arg));
        }
        const bool settingsSet =
            words.size() >= 2 && words[0] == QLatin1String("settings") && words[1] == QLatin1String("set");

        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            help = true;
        } else if (arg == QLatin1String("--version")) {
            version = true;
        } else if (arg == QLatin1String("--json")) {
            o.json = true;
        } else if (arg == QLatin1String("-v") || arg == QLatin1String("--verbose")) {
            o.verbose = true;
        } else if (arg == QLatin1String("--force")) {
            o.force = true;
        } else if (arg == QLatin1String("--usb")) {
            if (o.choice != TChoice::automatic)
                return usageError(QStringLiteral("Escolha a Ondix só uma vez (--usb, --ip ou --mac)."));
            o.choice = TChoice::usb;
        } else if (arg == QLatin1String("--ip") && !settingsSet) {
            if (o.choice != TChoice::automatic)
                return usageError(QStringLiteral("Escolha a Ondix só uma vez (--usb, --ip ou --mac)."));
            const auto address = parseAddress(value);
            if (!address)
                return usageError(refusedValue(arg, value, addressRule));
            o.choice = TChoice::ip;
            o.ip = QStringLiteral("%1.%2.%3.%4")
                       .arg((*address)[0])
                       .arg((*address)[1])
                       .arg((*address)[2])
                       .arg((*address)[3]);
        } else if (arg == QLatin1String("--mac")) {
            if (o.choice != TChoice::automatic)
                return usageError(QStringLiteral("Escolha a Ondix só uma vez (--usb, --ip ou --mac)."));
            const auto mac = parseMac(value);
            if (!mac)
                return usageError(
                    refusedValue(arg, value, QStringLiteral("use seis pares hexadecimais, AA:BB:CC:DD:EE:FF")));
            o.choice = TChoice::mac;
            o.mac = QStringList(mac->begin(), mac->end()).join(QLatin1Char(':'));
        } else if (arg == QLatin1String("--wait")) {
            bool ok = false;
            const int ms = value.toInt(&ok);
            if (!ok || ms < 100 || ms > 60000)
                return usageError(refusedValue(arg, value, QStringLiteral("use milissegundos de 100 a 60000")));
            o.searchMs = ms;
        } else if (arg == QLatin1String("--ip") || arg == QLatin1String("--mask")
            || arg == QLatin1String("--gateway")) {
            const auto address = parseAddress(value);
            if (!address)
                return usageError(refusedValue(arg, value, addressRule));
            (arg == QLatin1String("--ip")            ? o.newIp
                    : arg == QLatin1String("--mask") ? o.newMask
                                                     : o.newGateway) = *address;
            commandOptions << arg;
        } else if (arg == QLatin1String("--dhcp")) {
            if (value != QLatin1String("on") && value != QLatin1String("off"))
                return usageError(refusedValue(arg, value, QStringLiteral("use on ou off")));
            o.newDhcp = value == QLatin1String("on");
            commandOptions << arg;
        } else if (arg == QLatin1String("--port")) {
            const auto field = ondixsettings::parseDecimalField(arg, value, ondixsettings::maxPort);
            if (!field.ok)
                return usageError(field.error);
            o.newPort = uint16_t(field.value);
            commandOptions << arg;
        } else if (arg == QLatin1String("--now")) {
            o.clockNow = true;
            commandOptions << arg;
        } else if (arg == QLatin1String("--raw") || arg == QLatin1String("--rts")) {
            if (o.learnMode != TLearnMode::automatic)
                return usageError(QStringLiteral("Use --raw ou --rts, não os dois."));
            o.learnMode = arg == QLatin1String("--raw") ? TLearnMode::raw : TLearnMode::rts;
            commandOptions << arg;
        } else if (arg == QLatin1String("--divisor")) {
            if (value != QLatin1String("8") && value != QLatin1String("16") && value != QLatin1String("32"))
                return usageError(refusedValue(arg, value, QStringLiteral("use 8, 16 ou 32")));
            o.divisor = uint16_t(value.toUInt());
            commandOptions << arg;
        } else if (arg == QLatin1String("--keys")) {
            if (value != QLatin1String("1") && value != QLatin1String("2") && value != QLatin1String("3"))
                return usageError(refusedValue(arg, value, QStringLiteral("use 1, 2 ou 3")));
            o.keys = value.toInt();
            commandOptions << arg;
        } else if (arg == QLatin1String("--library")) {
            if (value.isEmpty())
                return usageError(refusedValue(arg, value, QStringLiteral("dê o arquivo da biblioteca")));
            o.library = value;
        } else if (arg == QLatin1String("--save") || arg == QLatin1String("--name")) {
            if (value.trimmed().isEmpty() || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
                return usageError(refusedValue(arg, value, QStringLiteral("dê um nome de uma linha")));
            (arg == QLatin1String("--save") ? o.saveName : o.codeName) = value.trimmed();
            commandOptions << arg;
        } else if (arg == QLatin1String("--format")) {
            const auto format = formatOfName(value);
            if (!format)
                return usageError(refusedValue(arg, value, formatRule));
            o.format = *format;
            commandOptions << arg;
        } else if (arg == QLatin1String("--parsed")) {
            o.flipperParsed = true;
            commandOptions << arg;
        } else if (arg == QLatin1String("--from")) {
            const auto mac = parseMac(value);
            if (!mac)
                return usageError(
                    refusedValue(arg, value, QStringLiteral("use seis pares hexadecimais, AA:BB:CC:DD:EE:FF")));
            o.fromMac = QStringList(mac->begin(), mac->end()).join(QLatin1Char(':'));
            commandOptions << arg;
        } else {
            return usageError(QStringLiteral("Opção desconhecida: %1").arg(arg));
        }
    }

    TParse p;
    if (version) {
        p.output = toolVersion;
        return p;
    }
    if (help || (!words.isEmpty() && words[0] == QLatin1String("help"))) {
        const QString topic = words.isEmpty()   ? QString()
            : words[0] == QLatin1String("help") ? words.value(1)
                                                : words[0];
        p.output = helpText(topic);
        return p;
    }
    if (words.isEmpty())
        return usageError(QStringLiteral("Falta o comando."));

    const QString first = words[0];
    const QString second = words.value(1);
    const qsizetype count = words.size();
    QStringList allowed;  // the command options this command takes
    auto wrongWords = [&] {
        return usageError(QStringLiteral("Uso errado de \"%1\".").arg(words.join(QLatin1Char(' '))));
    };

    if (first == QLatin1String("list") && count == 1) {
        o.command = TCommand::list;
    } else if (first == QLatin1String("info") && count == 1) {
        o.command = TCommand::info;
    } else if (first == QLatin1String("settings") && second == QLatin1String("get") && count == 2) {
        o.command = TCommand::settingsGet;
    } else if (first == QLatin1String("settings") && second == QLatin1String("set") && count == 2) {
        o.command = TCommand::settingsSet;
        allowed = {QStringLiteral("--ip"), QStringLiteral("--mask"), QStringLiteral("--gateway"),
            QStringLiteral("--dhcp"), QStringLiteral("--port")};
        if (commandOptions.isEmpty())
            return usageError(
                QStringLiteral("settings set: dê ao menos um campo (--ip, --mask, --gateway, --dhcp, --port)."));
    } else if (first == QLatin1String("clock") && second == QLatin1String("get") && count == 2) {
        o.command = TCommand::clockGet;
    } else if (first == QLatin1String("clock") && second == QLatin1String("set") && count <= 4) {
        o.command = TCommand::clockSet;
        allowed = {QStringLiteral("--now")};
        const QString text = words.mid(2).join(QLatin1Char(' '));
        if (o.clockNow == !text.isEmpty())
            return usageError(QStringLiteral("clock set: dê --now ou a data e a hora, \"AAAA-MM-DD HH:MM:SS\"."));
        if (!o.clockNow) {
            static const QRegularExpression shape(
                QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$"));
            o.clockTime = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!shape.match(text).hasMatch() || !o.clockTime.isValid())
                return usageError(refusedValue(QStringLiteral("clock set"), text,
                    QStringLiteral("use uma data e hora que existam, AAAA-MM-DD HH:MM:SS")));
        }
    } else if (first == QLatin1String("learn") && (second == QLatin1String("ir") || second == QLatin1String("rf"))
        && count == 2) {
        o.command = TCommand::learn;
        o.learnKind = second == QLatin1String("ir") ? TLearnKind::ir : TLearnKind::rf;
        allowed = {QStringLiteral("--raw"), QStringLiteral("--save")};
        if (o.learnKind == TLearnKind::rf)
            allowed << QStringLiteral("--rts") << QStringLiteral("--divisor");
    } else if (first == QLatin1String("send")) {
        o.command = TCommand::send;
        if (count > 1)
            o.lines = QStringList {words.mid(1).join(QLatin1Char(' '))};
    } else if (first == QLatin1String("rts") && second == QLatin1String("list") && count == 2) {
        o.command = TCommand::rtsList;
    } else if (first == QLatin1String("rts") && second == QLatin1String("backup") && count == 2) {
        o.command = TCommand::rtsBackup;
    } else if (first == QLatin1String("rts") && second == QLatin1String("restore") && count == 2) {
        o.command = TCommand::rtsRestore;
        allowed = {QStringLiteral("--from")};
    } else if (first == QLatin1String("rts") && second == QLatin1String("add") && count == 3) {
        if (words[2] != QLatin1String("somfy") && words[2] != QLatin1String("tube"))
            return usageError(refusedValue(QStringLiteral("rts add"), words[2], QStringLiteral("use somfy ou tube")));
        o.command = TCommand::rtsAdd;
        o.rtsTube = words[2] == QLatin1String("tube");
    } else if (first == QLatin1String("rts")
        && (second == QLatin1String("up") || second == QLatin1String("stop") || second == QLatin1String("down")
            || second == QLatin1String("delete"))
        && count == 3) {
        if (!readRemote(words[2], o))
            return usageError(refusedValue(QStringLiteral("rts ") + second, words[2],
                QStringLiteral("use o identificador do controle, 0A-FF-00, ou o seu número na lista, de 1 a 100")));
        o.command = second == QLatin1String("delete") ? TCommand::rtsDelete : TCommand::rtsDrive;
        if (second == QLatin1String("stop"))
            o.driveAction = TDriveAction::stop;
        else if (second == QLatin1String("down"))
            o.driveAction = TDriveAction::down;
    } else if (first == QLatin1String("library") && second == QLatin1String("list") && count == 2) {
        o.command = TCommand::libraryList;
    } else if (first == QLatin1String("library") && second == QLatin1String("import") && count == 3) {
        o.command = TCommand::libraryImport;
        o.importPath = words[2];
        allowed = {QStringLiteral("--format"), QStringLiteral("--name"), QStringLiteral("--divisor")};
        if (!commandOptions.contains(QStringLiteral("--format")))
            return usageError(QStringLiteral("library import: dê o formato, --format FORMATO (%1).").arg(formatRule));
        if (!commandOptions.contains(QStringLiteral("--name")))
            return usageError(QStringLiteral("library import: dê o nome do código, --name NOME."));
        if (commandOptions.contains(QStringLiteral("--divisor")) && o.format != TCodeFormat::rfraw)
            return usageError(QStringLiteral("A opção --divisor só se aplica a library import --format rfraw."));
    } else if (first == QLatin1String("library")
        && (second == QLatin1String("export") || second == QLatin1String("send")) && count >= 3) {
        o.command = second == QLatin1String("send") ? TCommand::librarySend : TCommand::libraryExport;
        o.codeName = words.mid(2).join(QLatin1Char(' ')).trimmed();
        if (o.command == TCommand::libraryExport) {
            allowed = {QStringLiteral("--format"), QStringLiteral("--parsed")};
            if (!commandOptions.contains(QStringLiteral("--format")))
                return usageError(
                    QStringLiteral("library export: dê o formato, --format FORMATO (%1).").arg(formatRule));
            if (o.flipperParsed && o.format != TCodeFormat::flipper)
                return usageError(QStringLiteral("A opção --parsed só se aplica a library export --format flipper."));
        }
    } else if (first == QLatin1String("generate") && second == QLatin1String("tc2") && count == 2) {
        o.command = TCommand::generateTc2;
        allowed = {QStringLiteral("--keys")};
        if (!commandOptions.contains(QStringLiteral("--keys")))
            return usageError(QStringLiteral("generate tc2: dê o número de teclas, --keys 1, 2 ou 3."));
    } else if (first == QLatin1String("generate") && second == QLatin1String("tl") && count == 2) {
        o.command = TCommand::generateTl;
    } else if (first == QLatin1String("mac") && second == QLatin1String("set") && count == 3) {
        const auto mac = parseMac(words[2]);
        if (!mac)
            return usageError(refusedValue(
                QStringLiteral("mac set"), words[2], QStringLiteral("use seis pares hexadecimais, AA:BB:CC:DD:EE:FF")));
        o.command = TCommand::macSet;
        o.macBytes = *mac;
    } else if (first == QLatin1String("flash") && second == QLatin1String("read") && count == 4) {
        const auto request = ondixservice::flashReadRequest(words[2], words[3]);
        if (!request.ok)
            return usageError(request.error);
        o.command = TCommand::flashRead;
        o.flashAddress = words[2];
        o.flashQuantity = words[3];
    } else if (first == QLatin1String("firmware") && second == QLatin1String("update") && count == 2) {
        o.command = TCommand::firmwareUpdate;
    } else {
        return wrongWords();
    }

    for (const QString& option : commandOptions)
        if (!allowed.contains(option))
            return usageError(
                QStringLiteral("A opção %1 não se aplica a \"%2\".").arg(option, words.join(QLatin1Char(' '))));
    const bool needsLibrary = o.command == TCommand::libraryList || o.command == TCommand::libraryImport
        || o.command == TCommand::libraryExport || o.command == TCommand::librarySend
        || o.command == TCommand::rtsBackup || o.command == TCommand::rtsRestore || !o.saveName.isEmpty();
    if (needsLibrary && o.library.isEmpty())
        return usageError(
            QStringLiteral("\"%1\" precisa da biblioteca: dê --library ARQUIVO.")
                .arg(o.saveName.isEmpty() ? words.mid(0, 2).join(QLatin1Char(' ')) : QStringLiteral("--save")));
    const bool service =
        o.command == TCommand::macSet || o.command == TCommand::flashRead || o.command == TCommand::firmwareUpdate;
    if (service && !o.force)
        return usageError(QStringLiteral("\"%1\" altera ou para a Ondix: repita com --force para confirmar.")
                              .arg(words.mid(0, 2).join(QLatin1Char(' '))));
    const bool cableOnly = o.command == TCommand::flashRead || o.command == TCommand::firmwareUpdate;
    if (cableOnly && (o.choice == TChoice::ip || o.choice == TChoice::mac))
        return usageError(
            QStringLiteral("\"%1\" só funciona pelo cabo USB.").arg(words.mid(0, 2).join(QLatin1Char(' '))));

    p.run = true;
    p.options = o;
    return p;
}

}  // namespace ondixcli
