#include "cli/cliDevice.h"

#include "cli/cliPortGuard.h"

#include <QNetworkInterface>

namespace ondixcli {

TCliDevice::TCliDevice(const TCliOptions& options, TConsole& console)
    : options_(options), console_(console), exchange_(session_), api_(session_, exchange_)
{
    if (options_.verbose)
        trace();
}

// Every frame the session sends or receives, on either link.
void TCliDevice::trace()
{
    session_.frameTap = [this](TFrameDirection direction, TLinkKind link, const QByteArray& bytes) {
        console_.err << traceLine(direction == TFrameDirection::sent,
            link == TLinkKind::Usb ? QStringLiteral("usb") : QStringLiteral("rede"), bytes)
                     << Qt::endl;
    };
}

QString TCliDevice::portProblem() const
{
    return session_.udpBindProblem().isEmpty() ? QString() : TPortGuard::unboundProblem();
}

std::optional<TUnitView> TCliDevice::probeCable()
{
    session_.userConnect(log_);
    if (!session_.usbConnected())
        return std::nullopt;
    const ondixdevice::TRecordResult probe = api_.probeUsb();
    if (!probe.ok())
        return std::nullopt;
    return TUnitView {true, QString(), probe.record};
}

std::optional<ondixdevice::TSearchResult> TCliDevice::searchNetwork(int& exitCode)
{
    if (const QString problem = portProblem(); !problem.isEmpty()) {
        console_.err << problem << Qt::endl;
        exitCode = exitPortBusy;
        return std::nullopt;
    }
    const QStringList targets = ondixdevice::TDeviceApi::broadcastTargets(QNetworkInterface::allAddresses());
    return api_.search(targets, options_.searchMs);
}

QList<TUnitView> TCliDevice::findAll(int& exitCode)
{
    QList<TUnitView> units;
    if (const auto cable = probeCable())
        units << *cable;
    const auto search = searchNetwork(exitCode);
    if (!search)
        return {};
    for (const ondixdevice::TUnit& unit : search->units)
        units << TUnitView {false, unit.address, unit.record};
    exitCode = units.isEmpty() ? exitNoDevice : exitDone;
    if (units.isEmpty())
        console_.err << QStringLiteral("Nenhuma Ondix encontrada.") << Qt::endl;
    return units;
}

std::optional<TCliDevice::TTarget> TCliDevice::choose(int& exitCode, bool cableOnly)
{
    exitCode = exitDone;
    const TChoice choice = cableOnly ? TChoice::usb : options_.choice;
    if (choice == TChoice::usb || choice == TChoice::automatic) {
        if (const auto cable = probeCable())
            return TTarget {TLinkKind::Usb, QString(), cable->record};
        if (choice == TChoice::usb) {
            console_.err << QStringLiteral("Nenhuma Ondix encontrada no cabo USB.") << Qt::endl;
            exitCode = exitNoDevice;
            return std::nullopt;
        }
    }
    if (choice == TChoice::ip) {
        if (const QString problem = portProblem(); !problem.isEmpty()) {
            console_.err << problem << Qt::endl;
            exitCode = exitPortBusy;
            return std::nullopt;
        }
        return TTarget {TLinkKind::Network, options_.ip, std::nullopt};
    }

    const auto search = searchNetwork(exitCode);
    if (!search)
        return std::nullopt;
    QList<ondixdevice::TUnit> matches;
    for (const ondixdevice::TUnit& unit : search->units)
        if (choice != TChoice::mac || macText(unit.record) == options_.mac)
            matches << unit;
    if (matches.size() == 1)
        return TTarget {TLinkKind::Network, matches[0].address, matches[0].record};

    exitCode = exitNoDevice;
    if (matches.isEmpty() && choice == TChoice::mac) {
        console_.err << QStringLiteral("Nenhuma Ondix com o MAC %1 respondeu.").arg(options_.mac) << Qt::endl;
    } else if (matches.isEmpty()) {
        console_.err << QStringLiteral("Nenhuma Ondix encontrada, nem no cabo USB nem na rede.") << Qt::endl;
    } else {
        console_.err << QStringLiteral("%1 Ondix encontradas; escolha uma com --ip ou --mac:").arg(matches.size())
                     << Qt::endl;
        for (const ondixdevice::TUnit& unit : matches)
            console_.err << unitLine(TUnitView {false, unit.address, unit.record}) << Qt::endl;
    }
    return std::nullopt;
}

}  // namespace ondixcli
