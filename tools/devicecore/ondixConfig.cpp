#include "ondixConfig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

namespace ondixsim {

namespace {

// Reads one JSON object; the first problem found is kept with its path.
class TConfigReader {
public:
    std::string error;

    bool failed() const { return !error.empty(); }

    void fail(const std::string& path, const std::string& what)
    {
        if (error.empty())
            error = path + ": " + what;
    }

    bool checkKeys(const QJsonObject& obj, const std::string& path, const std::set<QString>& allowed)
    {
        for (auto it = obj.begin(); it != obj.end(); ++it)
            if (!allowed.count(it.key())) {
                fail(path, "unknown key \"" + it.key().toStdString() + "\"");
                return false;
            }
        return true;
    }

    std::optional<long long> integer(const QJsonValue& v, const std::string& path, long long lo, long long hi)
    {
        const double d = v.toDouble();
        if (!v.isDouble() || std::floor(d) != d || d < double(lo) || d > double(hi)) {
            fail(path, "expected an integer from " + std::to_string(lo) + " to " + std::to_string(hi));
            return std::nullopt;
        }
        return (long long)d;
    }

    template <typename T>
    void readInt(const QJsonObject& obj, const char* key, const std::string& path, T& out, long long lo, long long hi)
    {
        if (!obj.contains(key))
            return;
        if (auto v = integer(obj[key], path + "." + key, lo, hi))
            out = T(*v);
    }

    void readBool(const QJsonObject& obj, const char* key, const std::string& path, bool& out)
    {
        if (!obj.contains(key))
            return;
        if (!obj[key].isBool())
            return fail(path + "." + key, "expected true or false");
        out = obj[key].toBool();
    }

    void readIp(const QJsonObject& obj, const char* key, const std::string& path, std::array<uint8_t, 4>& out)
    {
        if (!obj.contains(key))
            return;
        const std::string where = path + "." + key;
        if (!obj[key].isString())
            return fail(where, "expected a dotted IPv4 address text");
        const std::string text = obj[key].toString().toStdString();
        if (auto ip = parseIpv4(text))
            out = *ip;
        else
            fail(where, "\"" + text + "\" is not an IPv4 address");
    }

    void readMac(const QJsonObject& obj, const std::string& path, std::array<uint8_t, 6>& out)
    {
        if (!obj.contains("mac"))
            return;
        const std::string where = path + ".mac";
        const QStringList parts = obj["mac"].toString().split(QLatin1Char(':'));
        if (!obj["mac"].isString() || parts.size() != 6)
            return fail(where, "expected a MAC address text like \"00:1A:2B:3C:4D:5E\"");
        for (int i = 0; i < 6; ++i) {
            bool ok = false;
            const uint v = parts[i].toUInt(&ok, 16);
            if (!ok || parts[i].size() != 2 || v > 255)
                return fail(where, "expected a MAC address text like \"00:1A:2B:3C:4D:5E\"");
            out[size_t(i)] = uint8_t(v);
        }
    }

    std::optional<Capture> capture(const QJsonValue& v, const std::string& path, bool ir)
    {
        if (v.isNull())
            return std::nullopt;  // no capture: a learn request is only acknowledged
        if (!v.isObject()) {
            fail(path, "expected an object");
            return std::nullopt;
        }
        const QJsonObject obj = v.toObject();
        std::set<QString> keys {"durations", "delayMs", "datagramSize", "present"};
        if (ir)
            keys.insert("irValue");
        if (!checkKeys(obj, path, keys))
            return std::nullopt;
        Capture c;
        if (obj.contains("durations")) {
            const QJsonValue d = obj["durations"];
            if (!d.isArray()) {
                fail(path + ".durations", "expected an array of integers");
                return std::nullopt;
            }
            const QJsonArray arr = d.toArray();
            // Word 1 of the message counts every word in 16 bits.
            if (arr.size() > 65535 - (ir ? 3 : 2)) {
                fail(path + ".durations", "too many durations for one capture message");
                return std::nullopt;
            }
            for (int i = 0; i < arr.size(); ++i)
                if (auto n = integer(arr[i], path + ".durations[" + std::to_string(i) + "]", 0, 65535))
                    c.durations.push_back(uint16_t(*n));
        }
        if (ir)
            readInt(obj, "irValue", path, c.irValue, 0, 65535);
        readInt(obj, "delayMs", path, c.delayMs, 0, 600000);
        readInt(obj, "datagramSize", path, c.datagramSize, 1, 65507);
        readBool(obj, "present", path, c.present);
        return c;
    }

    // A list of captures, one per learn request; an entry may be null (only acknowledged).
    std::vector<std::optional<Capture>> captures(const QJsonValue& v, const std::string& path, bool ir)
    {
        std::vector<std::optional<Capture>> list;
        if (!v.isArray() || v.toArray().isEmpty()) {
            fail(path, "expected a non-empty array of captures (objects or null)");
            return list;
        }
        const QJsonArray arr = v.toArray();
        for (int i = 0; i < arr.size() && !failed(); ++i)
            list.push_back(capture(arr[i], path + "[" + std::to_string(i) + "]", ir));
        return list;
    }

    void fault(const QString& codeText, const QJsonValue& v, const std::string& path, std::map<uint8_t, Fault>& out)
    {
        bool ok = false;
        const uint code =
            codeText.startsWith(QLatin1String("0x")) ? codeText.mid(2).toUInt(&ok, 16) : codeText.toUInt(&ok, 10);
        const std::string where = path + "." + codeText.toStdString();
        if (!ok || code > 255)
            return fail(where, "expected a command code such as \"0x03\"");
        if (!v.isObject())
            return fail(where, "expected an object");
        const QJsonObject obj = v.toObject();
        if (!checkKeys(obj, where, {"kind", "delayMs", "size", "times", "message"}))
            return;
        static const std::map<QString, FaultKind> kinds {{"none", FaultKind::None}, {"noAnswer", FaultKind::NoAnswer},
            {"late", FaultKind::Late}, {"badChecksum", FaultKind::BadChecksum},
            {"zeroChecksum", FaultKind::ZeroChecksum}, {"duplicate", FaultKind::Duplicate},
            {"truncated", FaultKind::Truncated}, {"oversize", FaultKind::Oversize}, {"garbage", FaultKind::Garbage}};
        Fault f;
        const auto kind = kinds.find(obj["kind"].toString());
        if (!obj["kind"].isString() || kind == kinds.end())
            return fail(where + ".kind",
                "expected one of none, noAnswer, late, badChecksum, zeroChecksum, "
                "duplicate, truncated, oversize, garbage");
        f.kind = kind->second;
        readInt(obj, "delayMs", where, f.delayMs, 0, 600000);
        readInt(obj, "size", where, f.size, 0, 65507);
        readInt(obj, "times", where, f.times, -1, 1000000);
        readInt(obj, "message", where, f.message, -1, 1);
        out[uint8_t(code)] = f;
    }

    void rtsRecord(const QJsonValue& v, const std::string& path, std::vector<RtsRecord>& out)
    {
        if (!v.isObject())
            return fail(path, "expected an object");
        const QJsonObject obj = v.toObject();
        if (!checkKeys(obj, path, {"reserved", "type", "rollingCode", "keyCode", "remoteId"}))
            return;
        RtsRecord r;
        readInt(obj, "reserved", path, r.reserved, 0, 255);
        readInt(obj, "type", path, r.type, 0, 255);
        readInt(obj, "rollingCode", path, r.rollingCode, 0, 65535);
        readInt(obj, "keyCode", path, r.keyCode, 0, 255);
        const QStringList id = obj["remoteId"].toString().split(QLatin1Char('-'));
        bool good = obj["remoteId"].isString() && id.size() == 3;
        for (int i = 0; good && i < 3; ++i) {
            bool ok = false;
            const uint b = id[i].toUInt(&ok, 16);
            good = ok && id[i].size() == 2 && b <= 255;
            if (good)
                r.remoteId[size_t(i)] = uint8_t(b);
        }
        if (!good)
            return fail(path + ".remoteId", "expected three hex bytes like \"0A-FF-00\"");
        out.push_back(r);
    }

    void announce(const QJsonValue& v, const std::string& path, Announce& out)
    {
        if (!v.isObject())
            return fail(path, "expected an object");
        const QJsonObject obj = v.toObject();
        if (!checkKeys(obj, path, {"atMs", "everyMs", "to"}))
            return;
        if (obj.contains("atMs")) {
            if (!obj["atMs"].isArray())
                return fail(path + ".atMs", "expected an array");
            const QJsonArray arr = obj["atMs"].toArray();
            for (int i = 0; i < arr.size(); ++i)
                if (auto n = integer(arr[i], path + ".atMs[" + std::to_string(i) + "]", 0, 86400000))
                    out.atMs.push_back(int(*n));
        }
        readInt(obj, "everyMs", path, out.everyMs, 0, 86400000);
        if (obj.contains("to")) {
            std::array<uint8_t, 4> ip {};
            readIp(obj, "to", path, ip);
            if (!failed())
                out.to = ipv4Text(ip);
        }
    }

    void flashImage(const QJsonValue& v, const std::string& path, std::optional<Bytes>& out)
    {
        const std::string where = path + ".flashImage";
        QByteArray text = v.toString().toLatin1();
        text.replace(' ', "").replace('\n', "").replace('\t', "");
        const bool hexDigits = std::all_of(
            text.begin(), text.end(), [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)) != 0; });
        if (!v.isString() || !hexDigits || text.size() % 2 != 0)
            return fail(where, "expected hexadecimal bytes such as \"00 1F FF\"");
        if (text.size() / 2 > maxFlashImage)
            return fail(where, "at most " + std::to_string(maxFlashImage) + " bytes");
        const QByteArray bytes = QByteArray::fromHex(text);
        out = Bytes(bytes.begin(), bytes.end());
    }

    // `macGiven` tells whether the MAC came from the file or is the standard one.
    DeviceConfig device(const QJsonValue& v, const std::string& path, int index, bool& macGiven)
    {
        DeviceConfig c;
        if (!v.isObject()) {
            fail(path, "expected an object");
            return c;
        }
        const QJsonObject obj = v.toObject();
        if (!checkKeys(obj, path,
                {"ip", "mask", "gateway", "mac", "dhcp", "tcpPort", "ident", "firmware", "rfFlag", "rts", "rtsCount",
                    "rtsRollingStart", "rfCapture", "irCapture", "rfCaptures", "irCaptures", "faults",
                    "clockOffsetSeconds", "announce", "tcpAnswer", "flashImage", "dropPercent"}))
            return c;
        if (!obj.contains("ip"))
            fail(path, "missing key \"ip\"");
        readIp(obj, "ip", path, c.ip);
        c = standardDevice(c.ip, index);
        macGiven = obj.contains("mac");
        readIp(obj, "mask", path, c.mask);
        readIp(obj, "gateway", path, c.gateway);
        readMac(obj, path, c.mac);
        readBool(obj, "dhcp", path, c.dhcp);
        readInt(obj, "tcpPort", path, c.tcpPort, 1, 65535);
        if (obj.contains("ident")) {
            const QByteArray ident = obj["ident"].toString().toLatin1();
            if (!obj["ident"].isString() || ident.size() > 16)
                fail(path + ".ident", "expected a text of at most 16 characters");
            else
                c.ident = ident.toStdString();
        }
        readInt(obj, "firmware", path, c.firmware, 0, 65535);
        readInt(obj, "rfFlag", path, c.rfFlag, 0, 255);
        if (obj.contains("rts")) {
            if (!obj["rts"].isArray())
                fail(path + ".rts", "expected an array of remotes");
            const QJsonArray arr = obj["rts"].toArray();
            if (arr.size() > maxRtsRecords)
                fail(path + ".rts", "the device holds at most 100 remotes");
            for (int i = 0; i < arr.size() && !failed(); ++i)
                rtsRecord(arr[i], path + ".rts[" + std::to_string(i) + "]", c.rts);
        }
        if (obj.contains("rtsCount")) {
            uint32_t count = 0;
            readInt(obj, "rtsCount", path, count, 0, 4294967295LL);
            c.rtsCountField = count;
        }
        readInt(obj, "rtsRollingStart", path, c.rtsRollingStart, 0, 65535);
        if (obj.contains("rfCapture"))
            c.rfCapture = capture(obj["rfCapture"], path + ".rfCapture", false);
        if (obj.contains("irCapture"))
            c.irCapture = capture(obj["irCapture"], path + ".irCapture", true);
        for (const bool ir : {false, true}) {
            const char* single = ir ? "irCapture" : "rfCapture";
            const char* list = ir ? "irCaptures" : "rfCaptures";
            if (!obj.contains(list))
                continue;
            if (obj.contains(single))
                fail(path + "." + list, std::string("cannot be given with \"") + single + "\"");
            (ir ? c.irCaptures : c.rfCaptures) = captures(obj[list], path + "." + list, ir);
        }
        if (obj.contains("faults")) {
            if (!obj["faults"].isObject())
                fail(path + ".faults", "expected an object");
            const QJsonObject faults = obj["faults"].toObject();
            for (auto it = faults.begin(); it != faults.end() && !failed(); ++it)
                fault(it.key(), it.value(), path + ".faults", c.faults);
        }
        readInt(obj, "clockOffsetSeconds", path, c.clockOffsetSeconds, -4000000000LL, 4000000000LL);
        if (obj.contains("announce"))
            announce(obj["announce"], path + ".announce", c.announce);
        if (obj.contains("tcpAnswer")) {
            const QJsonValue answer = obj["tcpAnswer"];
            if (answer.isNull())
                c.tcpAnswer.reset();
            else if (answer.isString())
                c.tcpAnswer = answer.toString().toLatin1().toStdString();
            else
                fail(path + ".tcpAnswer", "expected a text or null");
        }
        if (obj.contains("flashImage"))
            flashImage(obj["flashImage"], path, c.flashImage);
        readInt(obj, "dropPercent", path, c.dropPercent, 0, 100);
        return c;
    }
};

}  // namespace

DeviceConfig standardDevice(const std::array<uint8_t, 4>& ip, int index)
{
    DeviceConfig c;
    c.ip = ip;
    c.mask = {255, 255, 255, 0};
    c.gateway = {ip[0], ip[1], ip[2], 1};
    c.mac = {0x00, 0x1A, 0x2B, ip[1], ip[2], ip[3]};
    c.ident = QStringLiteral("ONDX%1").arg(index + 1, 12, 10, QLatin1Char('0')).toStdString();
    c.rfCapture = demoRfCapture();
    c.irCapture = demoIrCapture();
    return c;
}

std::optional<std::array<uint8_t, 4>> parseIpv4(const std::string& text)
{
    std::array<uint8_t, 4> ip {};
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        int value = 0, digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return std::nullopt;
        ip[size_t(part)] = uint8_t(value);
    }
    if (pos != text.size())
        return std::nullopt;
    return ip;
}

std::string ipv4Text(const std::array<uint8_t, 4>& ip)
{
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "."
        + std::to_string(ip[3]);
}

std::optional<std::vector<DeviceConfig>> loadConfig(const QByteArray& json, std::string& error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "configuration: not valid JSON at offset " + std::to_string(parseError.offset) + ": "
            + parseError.errorString().toStdString();
        return std::nullopt;
    }
    TConfigReader reader;
    if (!doc.isObject()) {
        error = "configuration: expected an object with a \"devices\" array";
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    std::vector<DeviceConfig> devices;
    std::vector<bool> macGiven;
    if (reader.checkKeys(root, "configuration", {"devices"})) {
        if (!root["devices"].isArray() || root["devices"].toArray().isEmpty())
            reader.fail("devices", "expected a non-empty array of devices");
        const QJsonArray arr = root["devices"].toArray();
        for (int i = 0; i < arr.size() && !reader.failed(); ++i) {
            const std::string path = "devices[" + std::to_string(i) + "]";
            bool given = false;
            DeviceConfig c = reader.device(arr[i], path, i, given);
            macGiven.push_back(given);
            for (size_t j = 0; j < devices.size() && !reader.failed(); ++j)
                if (devices[j].ip == c.ip)
                    reader.fail(
                        path + ".ip", ipv4Text(c.ip) + " is already used by devices[" + std::to_string(j) + "]");
            devices.push_back(std::move(c));
        }
    }
    if (reader.failed()) {
        error = reader.error;
        return std::nullopt;
    }
    // Standard MACs follow the address's last three bytes, which two devices on different
    // networks may share: such a MAC moves on (third byte up) until no other device has it.
    std::set<std::array<uint8_t, 6>> used;
    for (size_t i = 0; i < devices.size(); ++i)
        if (macGiven[i])
            used.insert(devices[i].mac);
    for (size_t i = 0; i < devices.size(); ++i) {
        if (macGiven[i])
            continue;
        while (used.count(devices[i].mac))
            ++devices[i].mac[2];
        used.insert(devices[i].mac);
    }
    return devices;
}

std::optional<std::vector<DeviceConfig>> loadConfigFile(const QString& path, std::string& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path.toStdString() + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    return loadConfig(file.readAll(), error);
}

}  // namespace ondixsim
