#include "app/sessionLog.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

TSessionLog::TSessionLog(const QString& folder, qint64 maxBytes) : maxBytes_(maxBytes)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    file_.setFileName(QDir(folder).filePath(fileName()));
    if (file_.exists() && file_.size() >= maxBytes_)
        rotate();
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    write(QStringLiteral("=== OndixSetup: sessão iniciada ==="));
}

TSessionLog::~TSessionLog()
{
    write(QStringLiteral("=== OndixSetup: sessão encerrada ==="));
}

QString TSessionLog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

void TSessionLog::write(const QString& text)
{
    if (!file_.isOpen())
        return;
    const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toUtf8();
    QByteArray entry;
    for (const QString& line : text.split(QLatin1Char('\n')))
        entry += stamp + line.toUtf8() + '\n';
    if (file_.size() > 0 && file_.size() + entry.size() > maxBytes_) {
        file_.close();
        rotate();
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
    }
    // Flushed at once: what was written survives a crash of the tool.
    file_.write(entry);
    file_.flush();
}

void TSessionLog::rotate()
{
    const QString base = file_.fileName();
    QFile::remove(base + QStringLiteral(".%1").arg(keptFiles));
    for (int i = keptFiles - 1; i >= 1; --i)
        QFile::rename(base + QStringLiteral(".%1").arg(i), base + QStringLiteral(".%1").arg(i + 1));
    QFile::rename(base, base + QStringLiteral(".1"));
}

QString saveLogText(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.error() == QFileDevice::PermissionsError
            ? QStringLiteral("sem permissão para escrever nesse lugar")
            : QStringLiteral("o arquivo não pôde ser criado (a pasta existe?)");
    }
    QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    if (file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("falha ao gravar o arquivo (disco cheio?)");
    return {};
}
