// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Whether Download may fetch and start a new panel installer, and the key that must have
// signed it. Without a usable key self-update is off and Download opens the release page.
struct SelfUpdatePolicy
{
    bool optionOn = false;
    QByteArray signingKeyPem;

    bool enabled() const;

    // What this build was configured with (QUILL_SELF_UPDATE, QUILL_UPDATE_PUBLIC_KEY).
    static SelfUpdatePolicy compiledIn();
};
