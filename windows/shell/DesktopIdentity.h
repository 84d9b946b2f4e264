// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the desktop knows the panel: the id of its desktop entry, AppStream file and icon.
namespace DesktopIdentity {

extern const char kAppId[]; // "org.quill_tool.QuillTool"

// Names the desktop entry (Wayland compositors find the icon through it) and gives the
// windows the installed theme icon when there is one. Needs the QGuiApplication.
void apply();

} // namespace DesktopIdentity
