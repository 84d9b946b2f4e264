// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the panel finds news of its own releases on the update server.

extern const char kPanelVersionPattern[]; // "^(Quill_Tool_V[\d\.]+)"
extern const char kPanelUpdateFilePath[]; // "/download/Product/Quill_Tool/Update/Quill_Update.txt"
// The page of the panel's releases, opened in the browser instead of installing.
extern const char kPanelReleasePagePath[]; // "/download/Product/Quill_Tool/"

// The running panel's version as release names write it, e.g. "V2.1.0": what the
// update check compares the server's newest release against.
QString currentPanelVersion();

// "Quill_Tool_V2.2.0" -> "2.2.0": the piece between the first "V" and the next "V" or the end.
QString releaseNumberOf(const QString &newestVersion);

// The installer for this platform: ".exe" on Windows, a self-contained executable
// ".run" on Linux and macOS.
QString installerSuffix();

// The installer's name on the server, "Quill_Tool_V2.2.0" + installerSuffix(); its
// signature covers this name.
QString panelInstallerServerName(const QString &releaseNumber);

// "/download/Product/Quill_Tool/Update/" + panelInstallerServerName(releaseNumber)
QString panelInstallerPath(const QString &releaseNumber);

// The installer's detached signature: panelInstallerPath(releaseNumber) + ".sig"
QString panelSignaturePath(const QString &releaseNumber);

// File name the downloaded installer gets, e.g. "2.2.0.run".
QString installerFileName(const QString &releaseNumber);
