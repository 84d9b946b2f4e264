// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class MessageBoxes;
class SerialPort;

// The boxes that tell the user why a serial link did not open: the link only
// signals, the window that offered the port shows these.
namespace SerialPortBoxes {

// From now on, an empty port name shows the "Brio Tool" box and any other
// failure a "Serial Port Error" box with the link's reason. boxes null means
// the desktop's own; it must outlive the link.
void showFailuresOf(SerialPort *link, MessageBoxes *boxes = nullptr);

} // namespace SerialPortBoxes
