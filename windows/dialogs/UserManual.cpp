// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/UserManual.h"

#include "dialogs/UrlOpener.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace UserManual {

const char kResourcePath[] = ":/image/manual.pdf";

QString defaultDirectory()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/manual");
}

QString exportTo(const QString &directory)
{
    QFile source(QString::fromLatin1(kResourcePath));
    if (!source.open(QIODevice::ReadOnly)) {
        qWarning() << "The built-in manual is missing";
        return {};
    }
    const QByteArray manual = source.readAll();

    if (directory.isEmpty() || !QDir().mkpath(directory)) {
        qWarning().noquote() << "Cannot create the manual directory" << directory;
        return {};
    }
    QFile::setPermissions(directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const QString path = QDir(directory).filePath(QStringLiteral("manual.pdf"));
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == manual)
        return path;
    existing.close();
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);

    // Written beside the target and renamed over it: a viewer that has the old copy open
    // never sees a half-written file.
    QSaveFile copy(path);
    copy.setDirectWriteFallback(false);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(manual) != manual.size() || !copy.commit()) {
        qWarning().noquote() << "Cannot write the manual to" << path << copy.errorString();
        return {};
    }
    return path;
}

QString exportAndOpen(UrlOpener *opener)
{
    const QString directory = defaultDirectory();
    const QString path = exportTo(directory);
    if (path.isEmpty())
        return QStringLiteral("The manual could not be copied to %1.").arg(QDir::toNativeSeparators(directory));
    if (opener->open(QUrl::fromLocalFile(path)))
        return {};
    return QStringLiteral("No program to open PDF files was found. The manual is here:\n%1")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace UserManual
