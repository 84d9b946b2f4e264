// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What may be written to a unit. Real images are a few hundred KiB; the bound
// sits far above them and keeps a wrong pick (a disk image, /dev/zero, a FIFO)
// from being read whole, let alone written.
//
// File names: a base name (the name without its last extension) that holds a
// model's name ("TQR-30Pro_V1.0.3", as the update server names its images)
// names that model; one without ("fw.bin") names none.
namespace FirmwareImageFile {

// Upper bound of a firmware image, for a picked file and for a download alike.
constexpr qint64 kMaxImageBytes = 4 * 1024 * 1024;

struct Loaded
{
    enum class Problem {
        None,
        NotRegular,  // a directory, device, FIFO or socket
        TooLarge,    // more than kMaxImageBytes
        Unreadable,  // missing, or no permission
    };
    Problem problem = Problem::None;
    QByteArray image; // empty for an empty file
    QString reason;   // the system's words for Unreadable
};

// Reads a picked file, refusing anything that is not a plain file within the
// bound before a byte of it is read.
Loaded load(const QString &path);

// "a.b.bin" -> "a.b"
QString baseName(const QString &path);

enum class Fit {
    SameVersion,    // "<unit model>_<unit version>": nothing to do
    ConnectedModel, // names the unit's model
    OtherModel,     // names a model that is not the unit's
    NamesNoModel,   // the user must say it is meant for this unit
};

// How a file named fileBaseName fits a unit that reported unitModel and
// unitVersion (either may be empty when the unit did not say).
Fit fitFor(const QString &fileBaseName, const QString &unitModel, const QString &unitVersion);

// The display name of the model a file name names ("TQR-30 Pro"), empty for none.
QString modelNamedBy(const QString &fileBaseName);

} // namespace FirmwareImageFile
