// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// The options QApplication and its platform plugins take out of the command line before the
// program reads it. They are known here so that a command line can be checked without a
// display, where constructing the QApplication would abort.
namespace QtOptions {

// The arguments with every Qt option (and the value it takes) removed. Qt accepts each
// option with one dash or two; "-style" and "-stylesheet" also as "-style=NAME".
QStringList removedFrom(const QStringList &arguments);

} // namespace QtOptions
