#include "cli/cliLibrary.h"

#include "capture/irProtocol.h"

#include <QFileInfo>

namespace ondixcli {

namespace {

QString localDate(const QDateTime& t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("-");
}

QJsonValue protocolJson(const std::optional<libraryProtocol_t>& p)
{
    if (!p)
        return QJsonValue();
    QJsonObject o {{"name", p->name}, {"address", qint64(p->address)}, {"command", qint64(p->command)}};
    if (p->vendor)
        o.insert("vendor", qint64(p->vendor));
    return o;
}

QString protocolText(const std::optional<libraryProtocol_t>& p)
{
    const auto protocol = p ? irProtocolOfKey(p->name) : std::nullopt;
    if (!protocol)
        return QStringLiteral("-");
    return QString::fromStdString(irDecodedText(irDecoded_t {*protocol, p->address, p->command, p->vendor, 1, false}));
}

QString remotesText(size_t count)
{
    return count == 1 ? QStringLiteral("1 controle") : QStringLiteral("%1 controles").arg(count);
}

}  // namespace

QString libraryListText(const TSiteLibrary& library)
{
    QString text;
    for (const libraryCode_t& c : library.codes())
        text += QStringList {c.name, c.kind == TCodeKind::ir ? QStringLiteral("IR") : QStringLiteral("RF"),
                    protocolText(c.protocol), localDate(c.learnedAt)}
                    .join(QLatin1Char('\t'))
            + QLatin1Char('\n');
    return text;
}

QJsonArray libraryListJson(const TSiteLibrary& library)
{
    QJsonArray codes;
    for (const libraryCode_t& c : library.codes())
        codes.append(QJsonObject {{"name", c.name}, {"kind", c.kind == TCodeKind::ir ? "ir" : "rf"},
            {"protocol", protocolJson(c.protocol)},
            {"learnedAt", c.learnedAt.isValid() ? QJsonValue(c.learnedAt.toString(Qt::ISODateWithMs)) : QJsonValue()},
            {"unitMac", c.unitMac}, {"line", c.line}});
    return codes;
}

QString rtsBackupText(const rtsBackup_t& backup)
{
    const size_t count = backup.remotes.size();
    if (count == 1)
        return QStringLiteral("1 controle RTS da Ondix %1 copiado para a biblioteca.\n").arg(backup.unitMac);
    return QStringLiteral("%1 controles RTS da Ondix %2 copiados para a biblioteca.\n").arg(count).arg(backup.unitMac);
}

QJsonObject rtsBackupJson(const rtsBackup_t& backup)
{
    return QJsonObject {{"unitMac", backup.unitMac}, {"takenAt", backup.takenAt.toString(Qt::ISODateWithMs)},
        {"remotes", int(backup.remotes.size())}};
}

QString rtsRestoreText(const rtsBackup_t& backup, const rtsRestorePlan_t& plan, const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return text
        + QStringLiteral("Tabela RTS restaurada: %1 (cópia de %2, %3).\n")
              .arg(remotesText(plan.table.count), backup.unitMac, localDate(backup.takenAt));
}

QJsonObject rtsRestoreJson(const rtsBackup_t& backup, const rtsRestorePlan_t& plan)
{
    QJsonArray raised;
    for (const rtsRaised_t& r : plan.raised)
        raised.append(QJsonObject {{"remoteId", remoteIdText(r.remoteId)}, {"stored", r.stored}, {"unit", r.unit}});
    QJsonArray kept;
    for (const auto& id : plan.kept)
        kept.append(remoteIdText(id));
    return QJsonObject {{"from", backup.unitMac}, {"takenAt", backup.takenAt.toString(Qt::ISODateWithMs)},
        {"remotes", int(plan.table.count)}, {"raised", raised}, {"kept", kept}};
}

QString TLibraryFile::read(bool mustExist)
{
    library_ = TSiteLibrary();
    if (!QFileInfo::exists(path_))
        return mustExist ? QStringLiteral("A biblioteca \"%1\" não existe.").arg(path_) : QString();
    return library_.load(path_);
}

QString TLibraryFile::amend(const std::function<QString(TSiteLibrary&)>& change)
{
    TSiteLibrary fresh;
    if (QFileInfo::exists(path_))
        if (const QString error = fresh.load(path_); !error.isEmpty())
            return error;
    if (const QString error = change(fresh); !error.isEmpty())
        return error;
    if (const QString error = fresh.save(path_); !error.isEmpty())
        return error;
    library_ = std::move(fresh);
    return {};
}

}  // namespace ondixcli
