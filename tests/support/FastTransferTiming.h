// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/FirmwareTransfer.h"

// Firmware transfer timing for units that answer at once (peers on a
// pseudo-terminal, the emulator): chunks 1 to 3 ms apart and waits of a few
// hundred milliseconds, so a whole image goes over in well under a second and
// a unit that falls silent is noticed quickly.
inline FirmwareTransfer::Timing fastTransferTiming()
{
    FirmwareTransfer::Timing timing;
    timing.fastPacingMs = 1;
    timing.slowPacingMs = 3;
    timing.ackTimeoutMs = 400;
    timing.prepareWaitMs = 60;
    timing.upgradePortTimeoutMs = 300;
    timing.upgradePortRetryMs = 20;
    timing.eraseTimeoutMs = 500;
    return timing;
}
