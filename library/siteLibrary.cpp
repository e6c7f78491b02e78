#include "library/siteLibrary.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr const char* formatName = "OndixSetup library";

constexpr std::array<std::pair<TIrProtocol, const char*>, 14> protocolKeys {{
    {TIrProtocol::nec, "nec"},
    {TIrProtocol::necExtended, "necExtended"},
    {TIrProtocol::nec42, "nec42"},
    {TIrProtocol::pioneer, "pioneer"},
    {TIrProtocol::samsung32, "samsung32"},
    {TIrProtocol::sirc12, "sirc12"},
    {TIrProtocol::sirc15, "sirc15"},
    {TIrProtocol::sirc20, "sirc20"},
    {TIrProtocol::rc5, "rc5"},
    {TIrProtocol::rc5x, "rc5x"},
    {TIrProtocol::rc6, "rc6"},
    {TIrProtocol::kaseikyo, "kaseikyo"},
    {TIrProtocol::jvc, "jvc"},
    {TIrProtocol::rca, "rca"},
}};

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString dateText(const QDateTime& t)
{
    return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString();
}

// ---- writing ----------------------------------------------------------------------------------

// A JSON string: quotes, backslashes and control characters escaped, the rest in UTF-8.
void appendJsonString(QByteArray& out, const QString& text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (uint8_t(c) < 0x20) {
            out += QByteArray("\\u00") + QByteArray::number(uint8_t(c) >> 4, 16) + QByteArray::number(c & 0x0F, 16);
        } else {
            out += c;
        }
    }
    out += '"';
}

// Written by hand: the captured durations, a library's bulk, cost a tenth of what JSON objects
// would.
QByteArray codeText(const libraryCode_t& c)
{
    QByteArray out = "{\"name\":";
    appendJsonString(out, c.name);
    out += c.kind == TCodeKind::ir ? ",\"kind\":\"ir\",\"line\":" : ",\"kind\":\"rf\",\"line\":";
    appendJsonString(out, c.line);
    out += ",\"captured\":[";
    for (size_t i = 0; i < c.captured.size(); ++i) {
        if (i)
            out += ',';
        out += QByteArray::number(c.captured[i]);
    }
    out += "],\"frameLength\":" + QByteArray::number(c.frameLength);
    if (c.kind == TCodeKind::ir)
        out += ",\"carrier\":" + QByteArray::number(c.carrier);
    if (c.protocol) {
        out += ",\"protocol\":{\"name\":";
        appendJsonString(out, c.protocol->name);
        out += ",\"address\":" + QByteArray::number(c.protocol->address);
        out += ",\"command\":" + QByteArray::number(c.protocol->command);
        if (c.protocol->vendor)
            out += ",\"vendor\":" + QByteArray::number(c.protocol->vendor);
        out += '}';
    }
    out += ",\"learnedAt\":";
    appendJsonString(out, dateText(c.learnedAt));
    out += ",\"unitMac\":";
    appendJsonString(out, c.unitMac);
    out += '}';
    return out;
}

QJsonObject backupJson(const rtsBackup_t& b)
{
    QJsonObject o;
    o["unitMac"] = b.unitMac;
    o["takenAt"] = dateText(b.takenAt);
    QJsonArray remotes;
    for (const rtsRemote_t& r : b.remotes) {
        QJsonObject x;
        x["reserved"] = r.reserved;
        x["type"] = r.type;
        x["rollingCode"] = r.rollingCode;
        x["keyCode"] = r.keyCode;
        x["remoteId"] = remoteIdText(r.remoteId);
        remotes.append(x);
    }
    o["remotes"] = remotes;
    return o;
}

QJsonObject unitJson(const unitSeen_t& u)
{
    QJsonObject o;
    o["mac"] = u.mac;
    o["serial"] = u.serial;
    o["firmware"] = u.firmware;
    o["lastAddress"] = u.lastAddress;
    o["lastSeen"] = dateText(u.lastSeen);
    if (u.settings) {
        QJsonObject s;
        s["address"] = u.settings->address;
        s["mask"] = u.settings->mask;
        s["gateway"] = u.settings->gateway;
        s["dhcp"] = u.settings->dhcp;
        s["tcpPort"] = u.settings->tcpPort;
        s["readAt"] = dateText(u.settings->readAt);
        o["settings"] = s;
    }
    return o;
}

// ---- reading ----------------------------------------------------------------------------------

// Reads the fields of one object; the first fault is kept with the place it was found at.
class TReader {
public:
    TReader(const QJsonObject& o, QString where, QString& error) : o_(o), where_(std::move(where)), error_(error) { }

    QString text(const char* key, bool required = false)
    {
        const QJsonValue v = o_.value(key);
        if (v.isUndefined() && !required)
            return {};
        if (!v.isString())
            fail(key, "ausente ou não é texto");
        return v.toString();
    }

    uint64_t number(const char* key, uint64_t max, bool required = false)
    {
        const QJsonValue v = o_.value(key);
        if (v.isUndefined() && !required)
            return 0;
        const double d = v.toDouble(-1);
        if (!v.isDouble() || d < 0 || d > double(max) || d != double(uint64_t(d))) {
            fail(key, QString("ausente ou não é um número inteiro de 0 a %1").arg(max));
            return 0;
        }
        return uint64_t(d);
    }

    bool boolean(const char* key)
    {
        const QJsonValue v = o_.value(key);
        if (!v.isUndefined() && !v.isBool())
            fail(key, "não é true nem false");
        return v.toBool();
    }

    QDateTime date(const char* key)
    {
        const QString t = text(key);
        if (t.isEmpty())
            return {};
        const QDateTime d = QDateTime::fromString(t, Qt::ISODateWithMs);
        if (!d.isValid())
            fail(key, QString("\"%1\" não é uma data ISO 8601").arg(t));
        return d.toUTC();
    }

    QJsonArray array(const char* key, bool required = false)
    {
        const QJsonValue v = o_.value(key);
        if (v.isUndefined() && !required)
            return {};
        if (!v.isArray())
            fail(key, "ausente ou não é uma lista");
        return v.toArray();
    }

    std::optional<QJsonObject> object(const char* key)
    {
        const QJsonValue v = o_.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isObject()) {
            fail(key, "não é um objeto");
            return std::nullopt;
        }
        return v.toObject();
    }

    void fail(const char* key, const QString& problem)
    {
        if (error_.isEmpty())
            error_ = QString("%1, campo \"%2\": %3").arg(where_, key, problem);
    }

    bool ok() const { return error_.isEmpty(); }
    const QString& where() const { return where_; }

private:
    QJsonObject o_;
    QString where_;
    QString& error_;
};

std::optional<QJsonObject> entryObject(const QJsonValue& v, const QString& where, QString& error)
{
    if (!v.isObject()) {
        if (error.isEmpty())
            error = where + ": não é um objeto";
        return std::nullopt;
    }
    return v.toObject();
}

std::optional<libraryCode_t> readCode(const QJsonObject& o, const QString& where, QString& error)
{
    TReader r(o, where, error);
    libraryCode_t c;
    c.name = r.text("name", true).trimmed();
    if (r.ok() && c.name.isEmpty())
        r.fail("name", "vazio");
    const QString kind = r.text("kind", true);
    if (r.ok() && kind != "ir" && kind != "rf")
        r.fail("kind", QString("\"%1\" não é ir nem rf").arg(kind));
    c.kind = kind == "rf" ? TCodeKind::rf : TCodeKind::ir;
    c.line = r.text("line", true);
    for (const QJsonValue& v : r.array("captured")) {
        const double d = v.toDouble(-1);
        if (!v.isDouble() || d < 0 || d > 65535 || d != double(int(d))) {
            r.fail("captured", "tem um valor que não é uma duração de 0 a 65535");
            break;
        }
        c.captured.push_back(uint16_t(d));
    }
    c.frameLength = uint32_t(r.number("frameLength", c.captured.size()));
    c.carrier = uint32_t(r.number("carrier", 0xFFFFFFFFu));
    if (const auto p = r.object("protocol")) {
        TReader pr(*p, where + ", protocolo", error);
        libraryProtocol_t protocol;
        protocol.name = pr.text("name", true);
        if (pr.ok() && !irProtocolOfKey(protocol.name))
            pr.fail("name", QString("protocolo \"%1\" desconhecido").arg(protocol.name));
        protocol.address = uint32_t(pr.number("address", 0xFFFFFFFFu, true));
        protocol.command = uint32_t(pr.number("command", 0xFFFFFFFFu, true));
        protocol.vendor = uint32_t(pr.number("vendor", 0xFFFF));
        c.protocol = protocol;
    }
    c.learnedAt = r.date("learnedAt");
    c.unitMac = r.text("unitMac");
    if (!r.ok())
        return std::nullopt;
    return c;
}

std::optional<rtsBackup_t> readBackup(const QJsonObject& o, const QString& where, QString& error)
{
    TReader r(o, where, error);
    rtsBackup_t b;
    b.unitMac = r.text("unitMac", true);
    b.takenAt = r.date("takenAt");
    const QJsonArray remotes = r.array("remotes", true);
    if (remotes.size() > rtsMaxRemotes)
        r.fail(
            "remotes", QString("%1 controles; a tabela da Ondix guarda até %2").arg(remotes.size()).arg(rtsMaxRemotes));
    for (qsizetype i = 0; r.ok() && i < remotes.size(); ++i) {
        const auto x = entryObject(remotes[i], QString("%1, controle %2").arg(where).arg(i + 1), error);
        if (!x)
            break;
        TReader rr(*x, QString("%1, controle %2").arg(where).arg(i + 1), error);
        rtsRemote_t remote;
        remote.reserved = uint8_t(rr.number("reserved", 255));
        remote.type = uint8_t(rr.number("type", 255, true));
        remote.rollingCode = uint16_t(rr.number("rollingCode", 65535, true));
        remote.keyCode = uint8_t(rr.number("keyCode", 255, true));
        const QString id = rr.text("remoteId", true);
        const QStringList parts = id.split('-');
        bool good = parts.size() == 3;
        for (int k = 0; good && k < 3; ++k) {
            bool ok = false;
            const uint v = parts[k].toUInt(&ok, 16);
            good = ok && parts[k].size() == 2 && v <= 255;
            if (good)
                remote.remoteId[size_t(k)] = uint8_t(v);
        }
        if (rr.ok() && !good)
            rr.fail("remoteId", QString("\"%1\" não é um identificador como 0A-FF-00").arg(id));
        b.remotes.push_back(remote);
    }
    if (!r.ok())
        return std::nullopt;
    return b;
}

std::optional<unitSeen_t> readUnit(const QJsonObject& o, const QString& where, QString& error)
{
    TReader r(o, where, error);
    unitSeen_t u;
    u.mac = r.text("mac", true);
    u.serial = r.text("serial");
    u.firmware = r.text("firmware");
    u.lastAddress = r.text("lastAddress");
    u.lastSeen = r.date("lastSeen");
    if (const auto s = r.object("settings")) {
        TReader sr(*s, where + ", configurações", error);
        unitSettings_t settings;
        settings.address = sr.text("address");
        settings.mask = sr.text("mask");
        settings.gateway = sr.text("gateway");
        settings.dhcp = sr.boolean("dhcp");
        settings.tcpPort = uint16_t(sr.number("tcpPort", 65535));
        settings.readAt = sr.date("readAt");
        u.settings = settings;
    }
    if (!r.ok())
        return std::nullopt;
    return u;
}

QString checkedName(const QString& name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return QString();
    if (n.contains('\n') || n.contains('\r'))
        return QString();
    return n;
}

}  // namespace

QString irProtocolKey(TIrProtocol protocol)
{
    for (const auto& [p, key] : protocolKeys)
        if (p == protocol)
            return key;
    return {};
}

std::optional<TIrProtocol> irProtocolOfKey(const QString& key)
{
    for (const auto& [p, k] : protocolKeys)
        if (key == k)
            return p;
    return std::nullopt;
}

std::optional<libraryProtocol_t> libraryProtocolOf(const irDecoded_t& decoded)
{
    if (decoded.protocol == TIrProtocol::unknown || decoded.bits == 0)
        return std::nullopt;
    return libraryProtocol_t {irProtocolKey(decoded.protocol), decoded.address, decoded.command, decoded.vendor};
}

// ---- the codes ------------------------------------------------------------------------------------

QString TSiteLibrary::addCode(libraryCode_t code)
{
    const QString name = checkedName(code.name);
    if (name.isEmpty())
        return QString("O nome \"%1\" não serve: vazio ou com quebra de linha.").arg(code.name);
    if (findCode(name))
        return QString("Já existe um código chamado \"%1\" na biblioteca.").arg(findCode(name)->name);
    const QString line = code.line.trimmed();
    const bool lineFits = code.kind == TCodeKind::ir ? line.startsWith("sendir,") : line.startsWith("sendrf");
    if (!lineFits || line.contains('\n'))
        return QString("A linha do código \"%1\" não é uma linha %2 de uma só linha.")
            .arg(name, code.kind == TCodeKind::ir ? "sendir" : "sendrf");
    if (code.frameLength > code.captured.size())
        return QString("O quadro do código \"%1\" passa do fim da captura.").arg(name);
    code.name = name;
    code.line = line;
    codes_.push_back(std::move(code));
    modified_ = true;
    return {};
}

QString TSiteLibrary::renameCode(const QString& name, const QString& newName)
{
    const auto it =
        std::find_if(codes_.begin(), codes_.end(), [&](const libraryCode_t& c) { return sameName(c.name, name); });
    if (it == codes_.end())
        return QString("Não há código chamado \"%1\" na biblioteca.").arg(name);
    const QString n = checkedName(newName);
    if (n.isEmpty())
        return QString("O nome \"%1\" não serve: vazio ou com quebra de linha.").arg(newName);
    const libraryCode_t* other = findCode(n);
    if (other && other != &*it)
        return QString("Já existe um código chamado \"%1\" na biblioteca.").arg(other->name);
    it->name = n;
    modified_ = true;
    return {};
}

QString TSiteLibrary::deleteCode(const QString& name)
{
    const auto it =
        std::find_if(codes_.begin(), codes_.end(), [&](const libraryCode_t& c) { return sameName(c.name, name); });
    if (it == codes_.end())
        return QString("Não há código chamado \"%1\" na biblioteca.").arg(name);
    codes_.erase(it);
    modified_ = true;
    return {};
}

const libraryCode_t* TSiteLibrary::findCode(const QString& name) const
{
    const QString n = name.trimmed();
    const auto it =
        std::find_if(codes_.begin(), codes_.end(), [&](const libraryCode_t& c) { return sameName(c.name, n); });
    return it == codes_.end() ? nullptr : &*it;
}

// ---- RTS backups and units ------------------------------------------------------------------------

void TSiteLibrary::addRtsBackup(rtsBackup_t backup)
{
    backups_.push_back(std::move(backup));
    modified_ = true;
}

const rtsBackup_t* TSiteLibrary::latestRtsBackup(const QString& unitMac) const
{
    const rtsBackup_t* latest = nullptr;
    for (const rtsBackup_t& b : backups_)
        if (sameName(b.unitMac, unitMac) && (!latest || b.takenAt >= latest->takenAt))
            latest = &b;
    return latest;
}

void TSiteLibrary::noteUnit(const unitSeen_t& unit)
{
    const auto it =
        std::find_if(units_.begin(), units_.end(), [&](const unitSeen_t& u) { return sameName(u.mac, unit.mac); });
    if (it == units_.end())
        units_.push_back(unit);
    else
        *it = unit;
    modified_ = true;
}

// ---- the file -------------------------------------------------------------------------------------

// One entry per line: readable, small, and a change to one code is a change to one line.
QByteArray TSiteLibrary::toJson() const
{
    QByteArray out = QByteArray("{\n  \"format\": \"") + formatName
        + "\",\n  \"version\": " + QByteArray::number(siteLibraryVersion) + ",\n";
    auto list = [&](const char* key, const auto& items, auto entryText, bool last) {
        out += QByteArray("  \"") + key + "\": [";
        for (size_t i = 0; i < items.size(); ++i) {
            out += i == 0 ? "\n    " : ",\n    ";
            out += entryText(items[i]);
        }
        out += items.empty() ? "]" : "\n  ]";
        out += last ? "\n" : ",\n";
    };
    const auto compact = [](const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); };
    list("codes", codes_, codeText, false);
    list(
        "rtsBackups", backups_, [&](const rtsBackup_t& b) { return compact(backupJson(b)); }, false);
    list(
        "units", units_, [&](const unitSeen_t& u) { return compact(unitJson(u)); }, true);
    out += "}\n";
    return out;
}

QString TSiteLibrary::fromJson(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QString("não é uma biblioteca do OndixSetup (JSON inválido perto do byte %1)").arg(parseError.offset);
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value("format").toString() != formatName)
        return "não é uma biblioteca do OndixSetup";
    const QJsonValue versionValue = root.value("version");
    const double version = versionValue.toDouble(-1);
    if (!versionValue.isDouble() || version < 1 || version != double(int(version)))
        return "não é uma biblioteca do OndixSetup (versão do formato ausente ou inválida)";
    if (version > siteLibraryVersion)
        return QString("é do formato %1, mais novo que o desta versão do OndixSetup (%2); atualize o programa")
            .arg(int(version))
            .arg(siteLibraryVersion);

    QString error;
    TSiteLibrary loaded;
    QHash<QString, QString> names;  // folded name -> name as written, to find a repeated one
    TReader top(root, "biblioteca", error);
    const QJsonArray codes = top.array("codes");
    for (qsizetype i = 0; error.isEmpty() && i < codes.size(); ++i) {
        const QString where = QString("código %1").arg(i + 1);
        const auto o = entryObject(codes[i], where, error);
        const auto c = o ? readCode(*o, where, error) : std::nullopt;
        if (!c)
            break;
        const QString folded = c->name.toCaseFolded();
        if (names.contains(folded)) {
            error = QString("%1: o nome \"%2\" repete o de outro código (\"%3\")").arg(where, c->name, names[folded]);
        } else {
            names.insert(folded, c->name);
            loaded.codes_.push_back(*c);
        }
    }
    const QJsonArray backups = top.array("rtsBackups");
    for (qsizetype i = 0; error.isEmpty() && i < backups.size(); ++i) {
        const QString where = QString("cópia RTS %1").arg(i + 1);
        const auto o = entryObject(backups[i], where, error);
        const auto b = o ? readBackup(*o, where, error) : std::nullopt;
        if (!b)
            break;
        loaded.backups_.push_back(*b);
    }
    const QJsonArray units = top.array("units");
    for (qsizetype i = 0; error.isEmpty() && i < units.size(); ++i) {
        const QString where = QString("unidade %1").arg(i + 1);
        const auto o = entryObject(units[i], where, error);
        const auto u = o ? readUnit(*o, where, error) : std::nullopt;
        if (!u)
            break;
        loaded.units_.push_back(*u);
    }
    if (!error.isEmpty())
        return "está danificada: " + error;
    *this = std::move(loaded);
    modified_ = false;
    return {};
}

QString TSiteLibrary::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString("Não foi possível abrir a biblioteca \"%1\": %2.").arg(path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QString("Não foi possível ler a biblioteca \"%1\": %2.").arg(path, file.errorString());
    const QString error = fromJson(bytes);
    if (!error.isEmpty())
        return QString("O arquivo \"%1\" %2. Nada foi alterado.").arg(path, error);
    return {};
}

QString TSiteLibrary::save(const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString("Não foi possível gravar a biblioteca \"%1\": %2.").arg(path, file.errorString());
    const QByteArray bytes = toJson();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QString("Não foi possível gravar a biblioteca \"%1\": %2. O arquivo anterior ficou como estava.")
            .arg(path, reason);
    }
    modified_ = false;
    return {};
}

// ---- restoring an RTS backup ------------------------------------------------------------------------

rtsRestorePlan_t rtsRestorePlan(const std::vector<rtsRemote_t>& backup, const eepromRemoteData_t& unitNow)
{
    rtsRestorePlan_t plan;
    const uint32_t held = std::min<uint32_t>(unitNow.count, rtsMaxRemotes);
    auto heldWithId = [&](const std::array<uint8_t, 3>& id) -> const rtsRemote_t* {
        for (uint32_t i = 0; i < held; ++i)
            if (unitNow.remotes[i].remoteId == id)
                return &unitNow.remotes[i];
        return nullptr;
    };
    std::vector<rtsRemote_t> out;
    for (rtsRemote_t r : backup) {
        if (const rtsRemote_t* now = heldWithId(r.remoteId); now && now->rollingCode > r.rollingCode) {
            plan.raised.push_back({r.remoteId, r.rollingCode, now->rollingCode});
            r.rollingCode = now->rollingCode;
        }
        out.push_back(r);
    }
    for (uint32_t i = 0; i < held; ++i) {
        const rtsRemote_t& now = unitNow.remotes[i];
        const bool inBackup =
            std::any_of(backup.begin(), backup.end(), [&](const rtsRemote_t& r) { return r.remoteId == now.remoteId; });
        if (!inBackup) {
            plan.kept.push_back(now.remoteId);
            out.push_back(now);
        }
    }
    if (out.size() > size_t(rtsMaxRemotes)) {
        plan.error = QString("A cópia e os controles novos da unidade somam %1 controles; a tabela guarda até %2. "
                             "Nada foi gravado.")
                         .arg(out.size())
                         .arg(rtsMaxRemotes);
        plan.raised.clear();
        plan.kept.clear();
        return plan;
    }
    plan.table.count = uint32_t(out.size());
    std::copy(out.begin(), out.end(), plan.table.remotes.begin());
    return plan;
}

QString remoteIdText(const std::array<uint8_t, 3>& id)
{
    return QString::asprintf("%02X-%02X-%02X", id[0], id[1], id[2]);
}
