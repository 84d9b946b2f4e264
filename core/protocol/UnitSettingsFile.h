// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/UnitSettings.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A unit's settings kept in a file: a small JSON document that says what it
// is, which unit it came from and the settings themselves.
//
//   {
//     "format": "quill-unit-settings", "version": 1,
//     "model": "TQR-30 Pro", "firmware": "V1.0.2",
//     "settings": {
//       "addressing": {"mode": "manual", "address": "10.0.0.5",
//                      "subnet": "255.255.255.0", "gateway": "10.0.0.1"},
//       "osc": {"localPort": 8000, "forward": false,
//               "targets": [{"address": "10.0.0.9", "port": 9000}, null, null, null]},
//       "ports": {"udp": 5000, "tcp": 6000},
//       "offset": -2
//     }
//   }
//
// Every group under "settings" is optional (see UnitSettings); "firmware" is
// empty when the unit's serial port did not say. Reading is strict: a
// document with an unknown key, a value of the wrong type or out of range, or
// a newer version is refused as a whole, with the key named, so that a
// restore never writes half of a file it misread. Writing replaces the file
// in one step.
struct UnitSettingsFile
{
    static constexpr const char *kFormat = "quill-unit-settings";
    static constexpr int kVersion = 1;
    // Larger files are no settings file.
    static constexpr qint64 kMaxFileSize = 64 * 1024;

    QString model;
    QString firmware;
    UnitSettings settings;

    QByteArray toJson() const;
    static std::optional<UnitSettingsFile> fromJson(const QByteArray &json, QString *error);

    bool save(const QString &path, QString *error) const;
    static std::optional<UnitSettingsFile> load(const QString &path, QString *error);
};
