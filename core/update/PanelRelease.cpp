// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/PanelRelease.h"

#include "QuillVersion.h"

#include <QStringList>

const char kPanelVersionPattern[] = R"(^(Quill_Tool_V[\d\.]+))";
const char kPanelUpdateFilePath[] = "/download/Product/Quill_Tool/Update/Quill_Update.txt";
const char kPanelReleasePagePath[] = "/download/Product/Quill_Tool/";

QString currentPanelVersion()
{
    return QString::fromLatin1(QuillVersion::kText);
}

QString releaseNumberOf(const QString &newestVersion)
{
    const QStringList pieces = newestVersion.split(QLatin1Char('V'));
    return pieces.size() > 1 ? pieces.at(1) : QString();
}

QString panelInstallerServerName(const QString &releaseNumber)
{
    return QStringLiteral("Quill_Tool_V") + releaseNumber + installerSuffix();
}

QString panelInstallerPath(const QString &releaseNumber)
{
    return QStringLiteral("/download/Product/Quill_Tool/Update/") + panelInstallerServerName(releaseNumber);
}

QString panelSignaturePath(const QString &releaseNumber)
{
    return panelInstallerPath(releaseNumber) + QStringLiteral(".sig");
}

QString installerFileName(const QString &releaseNumber)
{
    return releaseNumber + installerSuffix();
}
