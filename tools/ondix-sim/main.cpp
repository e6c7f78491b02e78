// ondix-sim: one process emulating one or more Ondix devices on the network.
#include "ondixConfig.h"
#include "simServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int exitBadArguments = 2;
constexpr int exitCannotBind = 3;

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "ondix-sim: %s\n", qPrintable(message));
    return code;
}

// Quick devices from the command line: consecutive addresses from the first one.
std::optional<std::vector<ondixsim::DeviceConfig>> quickDevices(const QCommandLineParser& p, QString& error)
{
    const auto first = ondixsim::parseIpv4(p.value("address").toStdString());
    if (!first) {
        error = "--address: \"" + p.value("address") + "\" is not an IPv4 address";
        return std::nullopt;
    }
    bool ok = false;
    const int count = p.value("devices").toInt(&ok);
    if (!ok || count < 1 || count > 253 || (*first)[3] + count - 1 > 254) {
        error = "--devices: expected 1 to 253 devices whose addresses stay below x.y.z.255";
        return std::nullopt;
    }
    const int tcpPort = p.value("tcp-port").toInt(&ok);
    if (!ok || tcpPort < 1 || tcpPort > 65535) {
        error = "--tcp-port: expected a port from 1 to 65535";
        return std::nullopt;
    }
    std::vector<ondixsim::DeviceConfig> devices;
    for (int i = 0; i < count; ++i) {
        std::array<uint8_t, 4> ip = *first;
        ip[3] = uint8_t((*first)[3] + i);
        ondixsim::DeviceConfig c = ondixsim::standardDevice(ip, i);
        c.tcpPort = uint16_t(tcpPort);
        if (p.isSet("no-tcp-answer"))
            c.tcpAnswer.reset();
        devices.push_back(c);
    }
    return devices;
}

// The configuration text with the first device's "ip" replaced by `address`; the text as
// it is when it holds no such device (loading it then says what is wrong).
QByteArray withFirstAddress(const QByteArray& json, const QString& address)
{
    QJsonDocument doc = QJsonDocument::fromJson(json);
    QJsonObject root = doc.object();
    QJsonArray devices = root.value("devices").toArray();
    if (devices.isEmpty() || !devices.first().isObject())
        return json;
    QJsonObject first = devices.first().toObject();
    first.insert("ip", address);
    devices.replace(0, first);
    root.insert("devices", devices);
    return QJsonDocument(root).toJson();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ondix-sim");
    QCommandLineParser p;
    p.setApplicationDescription("Emulates Ondix devices on the network (UDP frames, TCP lines).");
    p.addHelpOption();
    p.addOptions({
        {"config", "Devices from a JSON configuration file.", "file"},
        {"address",
            "Address of a quick device (default 127.0.0.2); with --config, the address of the file's first device.",
            "ip", "127.0.0.2"},
        {"devices", "Number of quick devices on consecutive addresses.", "n", "1"},
        {"tcp-port", "TCP port of the quick devices.", "port", "4998"},
        {"no-tcp-answer", "Quick devices answer no typed line (the tool then times out)."},
        {"announce", "Announce every device at these times (ms after start, comma separated).", "ms"},
        {"announce-every", "Announce every device periodically.", "ms"},
        {"udp-port", "UDP port for requests and answers.", "port", "4040"},
        {"log", "Write the log to this file instead of standard output.", "file"},
        {"run-for", "Exit after this many seconds.", "seconds"},
    });
    // parse() rather than process(): an unknown option or a missing value is a bad
    // argument like any other (exit 2), where process() would end with exit 1.
    if (!p.parse(app.arguments()))
        return fail(exitBadArguments, p.errorText());
    if (p.isSet("help"))
        p.showHelp(0);
    if (!p.positionalArguments().isEmpty())
        return fail(exitBadArguments, "unexpected argument " + p.positionalArguments().first());

    std::optional<std::vector<ondixsim::DeviceConfig>> devices;
    QString error;
    if (p.isSet("config")) {
        if (p.isSet("devices") || p.isSet("tcp-port") || p.isSet("no-tcp-answer"))
            return fail(exitBadArguments, "--config cannot be combined with --devices, --tcp-port or --no-tcp-answer");
        std::string why;
        if (p.isSet("address")) {
            // The file's first device moves to this address: a file written for one network
            // serves in another (a private test network, for example).
            if (!ondixsim::parseIpv4(p.value("address").toStdString()))
                return fail(exitBadArguments, "--address: \"" + p.value("address") + "\" is not an IPv4 address");
            QFile file(p.value("config"));
            if (!file.open(QIODevice::ReadOnly))
                return fail(exitBadArguments, p.value("config") + ": " + file.errorString());
            devices = ondixsim::loadConfig(withFirstAddress(file.readAll(), p.value("address")), why);
        } else {
            devices = ondixsim::loadConfigFile(p.value("config"), why);
        }
        if (!devices)
            return fail(exitBadArguments, QString::fromStdString(why));
    } else {
        devices = quickDevices(p, error);
        if (!devices)
            return fail(exitBadArguments, error);
    }

    bool ok = true;
    if (p.isSet("announce")) {
        std::vector<int> times;
        for (const QString& t : p.value("announce").split(',')) {
            times.push_back(t.toInt(&ok));
            if (!ok || times.back() < 0)
                return fail(exitBadArguments, "--announce: expected times in ms such as 100,500");
        }
        for (auto& d : *devices)
            d.announce.atMs = times;
    }
    if (p.isSet("announce-every")) {
        const int every = p.value("announce-every").toInt(&ok);
        if (!ok || every < 10)
            return fail(exitBadArguments, "--announce-every: expected at least 10 ms");
        for (auto& d : *devices)
            d.announce.everyMs = every;
    }
    const int udpPort = p.value("udp-port").toInt(&ok);
    if (!ok || udpPort < 1 || udpPort > 65535)
        return fail(exitBadArguments, "--udp-port: expected a port from 1 to 65535");
    if (p.isSet("run-for")) {
        const double seconds = p.value("run-for").toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 86400)
            return fail(exitBadArguments, "--run-for: expected seconds from 0 to 86400");
        QTimer::singleShot(int(seconds * 1000), &app, &QCoreApplication::quit);
    }

    QFile log;
    if (p.isSet("log")) {
        log.setFileName(p.value("log"));
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return fail(exitBadArguments, p.value("log") + ": " + log.errorString());
    } else if (!log.open(stdout, QIODevice::WriteOnly | QIODevice::Text)) {
        return fail(exitBadArguments, "cannot write the log to standard output");
    }

    TSimServer server(std::move(*devices), &log, quint16(udpPort));
    if (!server.start(error))
        return fail(exitCannotBind, error);
    return app.exec();
}
