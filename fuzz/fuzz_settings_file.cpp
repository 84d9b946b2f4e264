// SPDX-License-Identifier: GPL-3.0-or-later
// The unit settings file: whatever a file holds, the reader refuses it or
// hands out settings a unit would take. Checked besides the sanitizers: an
// accepted document written out again reads back the same, and every message
// a restore of it would send is well-formed System Exclusive.

#include "FuzzCore.h"

#include "protocol/SettingStep.h"
#include "protocol/UnitSettingsFile.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    QString error;
    const std::optional<UnitSettingsFile> file = UnitSettingsFile::fromJson(body, &error);
    if (!file) {
        if (error.isEmpty())
            FuzzSupport::fault("refused without a reason", body);
        return 0;
    }
    if (!file->settings.problem().isEmpty())
        FuzzSupport::fault("accepted settings a unit would refuse", body);
    const std::optional<UnitSettingsFile> again = UnitSettingsFile::fromJson(file->toJson(), &error);
    if (!again || !(again->settings == file->settings) || again->model != file->model
        || again->firmware != file->firmware)
        FuzzSupport::fault("written out, it reads back otherwise", body);
    for (const SettingStep &step : SettingSteps::forAll(file->settings)) {
        if (!FuzzSupport::isWellFormedSysEx(step.message))
            FuzzSupport::fault("a restore would send a malformed message", step.message);
    }
    if (!UnitSettings::changes(file->settings, file->settings).isEmpty())
        FuzzSupport::fault("settings differ from themselves", body);
    return 0;
}
