// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/FirmwareModel.h"

namespace {

FirmwareModel row(int number, const char *name, const char *folder, const char *pattern)
{
    return FirmwareModel{number, QString::fromLatin1(name), QString::fromLatin1(folder),
                         QString::fromLatin1(pattern)};
}

} // namespace

FirmwareModel firmwareModelFor(const QString &modelText)
{
    if (modelText.contains(QLatin1String("TQR-10")))
        return row(1, "TQR-10", "TQR-10", R"(^(TQR-10_V[\d\.]+))");
    if (modelText.contains(QLatin1String("TQR-20")))
        return row(2, "TQR-20", "TQR-20", R"(^(TQR-20_V[\d\.]+))");
    if (modelText.contains(QLatin1String("TQR-30 Pro"), Qt::CaseInsensitive)
        || modelText.contains(QLatin1String("TQR-30Pro"), Qt::CaseInsensitive))
        return row(4, "TQR-30 Pro", "TQR-30_Pro", R"(^(TQR-30Pro_V[\d\.]+))");
    if (modelText.contains(QLatin1String("TQR-30")))
        return row(3, "TQR-30", "TQR-30", R"(^(TQR-30_V[\d\.]+))");
    return {};
}

QString firmwareUpdateFilePath(const FirmwareModel &model)
{
    return QStringLiteral("/download/Product/") + model.folder + QStringLiteral("/Update/") + model.folder
           + QStringLiteral("_Update.txt");
}

QString firmwareImagePath(const FirmwareModel &model, const QString &newestVersion)
{
    return QStringLiteral("/download/Product/%1/Update/").arg(model.folder) + newestVersion
           + QStringLiteral(".bin");
}
