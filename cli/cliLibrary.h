// The site library from the command line: the file named by --library, the codes of
// `library import` and the texts of `library export`, and what `library list`, `rts backup` and
// `rts restore` print. Pure but for the file itself.
#pragma once

#include "cli/cliOptions.h"
#include "library/irFormats.h"
#include "library/siteLibrary.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <vector>

namespace ondixcli {

// library list: "TV Liga\tIR\tNEC  endereço 0x04  comando 0x08\t2026-03-14 12:09:26" per code,
// the date in local time; "-" for no protocol or no date.
QString libraryListText(const TSiteLibrary& library);
QJsonArray libraryListJson(const TSiteLibrary& library);

// rts backup: "2 controles RTS da Ondix 00:1A:2B:3C:4D:5E copiados para a biblioteca."
QString rtsBackupText(const rtsBackup_t& backup);
QJsonObject rtsBackupJson(const rtsBackup_t& backup);
// rts restore: the raised and kept lines, then "Tabela RTS restaurada: 3 controles (cópia de
// 00:1A:2B:3C:4D:5E, 2026-03-16 07:00:00)."
QString rtsRestoreText(const rtsBackup_t& backup, const rtsRestorePlan_t& plan, const QStringList& lines);
QJsonObject rtsRestoreJson(const rtsBackup_t& backup, const rtsRestorePlan_t& plan);

// The library file named by --library.
class TLibraryFile {
public:
    explicit TLibraryFile(QString path) : path_(std::move(path)) { }

    // Reads the file: a missing one is an empty library, or refused when `mustExist`. Empty on
    // success, else the message.
    QString read(bool mustExist);
    const TSiteLibrary& library() const { return library_; }
    const QString& path() const { return path_; }

    // Reads the file again (another ondix may have written it meanwhile), applies `change` and
    // writes the file through a temporary one. Empty on success, else the message of the change
    // or of the file; the file is then as it was.
    QString amend(const std::function<QString(TSiteLibrary&)>& change);

private:
    QString path_;
    TSiteLibrary library_;
};

}  // namespace ondixcli
