// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAction;

// "Check for Updates at Start": whether the panel asks the update server for a new release
// of itself shortly after start. On unless the user turned it off; kept with QSettings in
// ~/.config/quill-tool/quill-tool.conf (under $XDG_CONFIG_HOME when that is set).
namespace StartupCheckSetting {

extern const char kOrganisation[]; // "quill-tool"
extern const char kApplication[];  // "quill-tool"
extern const char kKey[];          // "updates/checkAtStart"

bool enabled();
void setEnabled(bool on);

// Makes action a checkable entry that shows and changes the setting.
void bind(QAction *action);

} // namespace StartupCheckSetting
