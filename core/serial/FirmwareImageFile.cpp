// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/FirmwareImageFile.h"

#include "update/FirmwareModel.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace FirmwareImageFile {

Loaded load(const QString &path)
{
    Loaded loaded;
    // Asked before opening: opening a FIFO for reading waits for a writer.
    const QFileInfo info(path);
    if (!info.exists()) {
        loaded.problem = Loaded::Problem::Unreadable;
        loaded.reason = QStringLiteral("No such file");
        return loaded;
    }
    if (!info.isFile()) {
        loaded.problem = Loaded::Problem::NotRegular;
        return loaded;
    }
    if (info.size() > kMaxImageBytes) {
        loaded.problem = Loaded::Problem::TooLarge;
        return loaded;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.problem = Loaded::Problem::Unreadable;
        loaded.reason = file.errorString();
        return loaded;
    }
    // The file may have grown since it was measured.
    loaded.image = file.read(kMaxImageBytes + 1);
    if (loaded.image.size() > kMaxImageBytes) {
        loaded.image.clear();
        loaded.problem = Loaded::Problem::TooLarge;
    } else if (file.error() != QFileDevice::NoError) {
        loaded.image.clear();
        loaded.problem = Loaded::Problem::Unreadable;
        loaded.reason = file.errorString();
    }
    return loaded;
}

QString baseName(const QString &path)
{
    QString name = QFileInfo(path).fileName();
    name.remove(QRegularExpression(QStringLiteral("\\.[^.]*$")));
    return name;
}

QString modelNamedBy(const QString &fileBaseName)
{
    return firmwareModelFor(fileBaseName).displayName;
}

Fit fitFor(const QString &fileBaseName, const QString &unitModel, const QString &unitVersion)
{
    if (fileBaseName == QStringLiteral("%1%2%3").arg(unitModel, QStringLiteral("_"), unitVersion))
        return Fit::SameVersion;
    const FirmwareModel named = firmwareModelFor(fileBaseName);
    if (!named.isKnown())
        return Fit::NamesNoModel;
    const FirmwareModel unit = firmwareModelFor(unitModel);
    // A unit that did not say what it is cannot vouch for a name.
    if (!unit.isKnown())
        return Fit::NamesNoModel;
    return named.number == unit.number ? Fit::ConnectedModel : Fit::OtherModel;
}

} // namespace FirmwareImageFile
