// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/SelfUpdatePolicy.h"

#include "update/InstallerSignature.h"
#include "update/SelfUpdateBuild.h"

bool SelfUpdatePolicy::enabled() const
{
    return optionOn && InstallerSignature::isUsableKey(signingKeyPem);
}

SelfUpdatePolicy SelfUpdatePolicy::compiledIn()
{
    return SelfUpdatePolicy{SelfUpdateBuild::kOptionOn, QByteArray(SelfUpdateBuild::kSigningKeyPem)};
}
