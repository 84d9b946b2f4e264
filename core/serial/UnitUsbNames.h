// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words by which the panel recognises a unit's serial port in the USB
// product or interface string: the brand word in normal mode, the loader's
// name in upgrade mode. The udev rule in packaging/ matches the same words.
namespace UnitUsbNames {
inline constexpr char kBrandWord[] = "Larkspur";
inline constexpr char kUpgradeModeName[] = "TQR-30B";
}
