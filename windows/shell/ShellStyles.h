// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Style sheets of the main window's own widgets (the panel's are in
// panel/StyleSheets.h).
namespace ShellStyles {

// The status line: quiet grey, or red while its last event is a problem.
#define QUILL_STATUS_LINE(colour)                                                                        \
    "QLabel { color: " colour "; font-family: Arial; font-size: 15px; padding: 4px 10px;"                  \
    " qproperty-alignment: 'AlignLeft | AlignVCenter'; }"
inline constexpr const char *kStatusLineQuiet = QUILL_STATUS_LINE("#606060");
inline constexpr const char *kStatusLineProblem = QUILL_STATUS_LINE("#B03030");
#undef QUILL_STATUS_LINE

} // namespace ShellStyles
