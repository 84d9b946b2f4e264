# SPDX-License-Identifier: GPL-3.0-or-later
# Sanitizer settings for the instrumented builds; sourced by scripts/test and
# scripts/fuzz. Any report ends the program with a failure.
quill_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$quill_root/tests/lsan.supp:print_suppressions=0"
