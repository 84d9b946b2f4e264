// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What quill-ctl tells the shell. Scripts test these; their numbers never
// change.
namespace ExitCode {
constexpr int kDone = 0;
// The unit refused, or did not answer within the time allowed.
constexpr int kUnitFailed = 1;
constexpr int kUsage = 2;
// No unit answers to the name given, none is present, or several are and
// none was picked.
constexpr int kNoSuchUnit = 3;
// Ctrl-C (SIGINT) before the command finished.
constexpr int kInterrupted = 4;
} // namespace ExitCode
