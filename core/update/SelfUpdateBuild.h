// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How this build was configured for the panel's own updates (CMake: QUILL_SELF_UPDATE and
// QUILL_UPDATE_PUBLIC_KEY). The definitions are generated into the build directory.
namespace SelfUpdateBuild {

extern const bool kOptionOn;
// PEM text of the public key that signs installers; empty when none was configured.
extern const char kSigningKeyPem[];

} // namespace SelfUpdateBuild
