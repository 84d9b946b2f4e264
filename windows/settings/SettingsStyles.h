// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Style sheets of the network settings windows.
namespace SettingsStyles {

inline constexpr const char *kIpDialog =
    "QWidget#widget { background-color: #F0F0F0; border: 1px solid #A9A9A9; }\n"
    "QLabel { color: #404040; font-size: 24px; }\n"
    "QLineEdit, QComboBox { background-color: white; border: 1px solid #A9A9A9; padding: 5px;"
    " border-radius: 3px; }\n"
    // The list's own selection colours: the desktop's highlighted text is white, as the list is.
    "QComboBox QAbstractItemView { background-color: white; border: 1px solid #A9A9A9; color: #404040;"
    " selection-background-color: #D3D3D3; selection-color: #404040; }\n"
    "QGroupBox { background-color: #E0E0E0; border: 1px solid #A9A9A9; border-radius: 5px;"
    " margin-top: 10px; padding: 10px; }\n"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top center; padding: 0 5px;"
    " color: #404040; font-weight: bold; }\n"
    "QPushButton { background-color: #D3D3D3; border: 1px solid #A9A9A9; padding: 8px 15px;"
    " border-radius: 5px; color: #404040; }\n"
    "QPushButton:hover { background-color: #B0B0B0; }\n"
    "QPushButton:pressed { background-color: #A9A9A9; border-color: #808080; }\n";

inline constexpr const char *kIpAddressEditIdle =
    "QWidget#IpAddressEdit { background: #ffffff; border: 1px solid #7f7f7f;}";
inline constexpr const char *kIpAddressEditFocused =
    "QWidget#IpAddressEdit { background: #ffffff; border: 1px solid #4a90e2;}";
inline constexpr const char *kIpSegment =
    "QLineEdit { border: none; background: transparent; padding: 0px; margin: 0px;}";
inline constexpr const char *kIpDot =
    "QLabel { border: none; background: transparent; color: #222222; font-size: 12px;}";

inline constexpr const char *kOscWindow =
    "QWidget { background-color: #efefef; color: #222222;"
    " font-family: \"Microsoft YaHei\", \"Segoe UI\", Arial; font-size: 13px; }\n"
    "QLabel { background: transparent; color: #2b2b2b; }\n"
    "QLineEdit { background: #ffffff; border: 1px solid #7f7f7f; padding: 0px 4px;"
    " selection-background-color: #bcd7ff; }\n"
    "QLineEdit:focus { border: 1px solid #4a90e2; }\n"
    "QCheckBox { spacing: 0px; }\n"
    "QCheckBox::indicator { width: 16px; height: 16px; border: 1px solid #7f7f7f; background: #ffffff; }\n"
    "QCheckBox::indicator:checked { background: #dcdcdc; }\n"
    "QPushButton { min-width: 98px; max-width: 98px; min-height: 34px; max-height: 34px;"
    " background-color: #f7f7f7; border: 1px solid #8a8a8a; border-radius: 6px; padding-bottom: 1px; }\n"
    "QPushButton:hover { background-color: #fbfbfb; }\n"
    "QPushButton:pressed { background-color: #dddddd; padding-top: 1px; padding-left: 1px; }\n";
inline constexpr const char *kOscDeviceFrame =
    "QFrame#deviceFrame { background-color: #efefef; border: 1px solid #8c8c8c; border-radius: 4px; }";

inline constexpr const char *kUdpWindow = "background-color: #efefef;";
inline constexpr const char *kUdpPortEdit = "background-color: white;border: 1px solid #666666;";
inline constexpr const char *kUdpButton =
    "QPushButton {   background-color: #efefef;   border: 1px solid #7f7f7f;   border-radius: 4px;}"
    "QPushButton:pressed {   background-color: #dcdcdc;}";

inline constexpr const char *kOffsetSendButton = "padding:6px 12px; font-weight:bold;";

} // namespace SettingsStyles
