// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Maps the Windows font families named by the form onto families that Debian
// ships (fonts-liberation, fonts-dejavu, fonts-roboto), so that the readout and
// the labels keep their shape on Linux. Safe to call more than once.
void installFontSubstitutes();
