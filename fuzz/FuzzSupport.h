// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FuzzCore.h"

// The pieces of the fuzz targets that drive widgets, on top of FuzzCore.h.
namespace FuzzSupport {

// A QApplication on the offscreen platform with Qt's message output
// silenced; settings in a temporary folder and update checks to a closed
// port unless the caller chose others. Safe to call more than once.
void startApplication();

// Closes every modal dialog as soon as it opens, so that code which reports
// to the user with a message box cannot stall the fuzzer.
void closeModalDialogsAutomatically();

} // namespace FuzzSupport
