// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameArithmetic.h"

#include <QString>

#include <optional>

// A time-code label on the command line: HH:MM:SS:FF, or HH:MM:SS;FF as drop
// frame is often written; every field two digits (one for hours allowed).
namespace TimeArgument {

std::optional<FrameArithmetic::Label> parse(const QString &text);
// "hh:mm:ss:ff".
QString text(const FrameArithmetic::Label &label);

} // namespace TimeArgument
