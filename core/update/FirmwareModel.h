// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One row of the firmware model table: how a model text reported by the unit maps to
// its folder and version prefix on the update server.
struct FirmwareModel
{
    int number = -1;        // 1 TQR-10, 2 TQR-20, 3 TQR-30, 4 TQR-30 Pro; -1 unknown
    QString displayName;    // shown in the offer, e.g. "TQR-30 Pro"
    QString folder;         // server folder, e.g. "TQR-30_Pro"
    QString versionPattern; // anchored pattern whose group 1 is the newest version text

    bool isKnown() const { return number > 0; }
};

// The tests run in table order, so "TQR-30 Pro" is caught before the plain "TQR-30".
// Only the Pro test ignores case.
FirmwareModel firmwareModelFor(const QString &modelText);

// "/download/Product/TQR-30_Pro/Update/TQR-30_Pro_Update.txt"
QString firmwareUpdateFilePath(const FirmwareModel &model);
// "/download/Product/TQR-30_Pro/Update/TQR-30Pro_V1.0.3.bin"
QString firmwareImagePath(const FirmwareModel &model, const QString &newestVersion);
