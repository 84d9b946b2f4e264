// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Style sheets the time-code panel swaps in at run time to show its state.
// Sheets with %1 take a font size in pixels that follows the window width.
namespace PanelStyle {

// The readout band: four labels that read as one rounded, green-bordered strip.
inline constexpr const char *kReadoutHours =
    "QLabel {    background-color: #404040;    color: rgb(0, 255, 0);    font-family: 'Calibri Light';"
    "    font-size: %1px;    padding: 10px;    border: 2px solid rgb(0, 255, 0);    border-right: 2px solid #404040;"
    "    border-top-left-radius: 10px;    border-bottom-left-radius: 10px;    border-right: none;"
    "    qproperty-alignment: 'AlignCenter';}";
inline constexpr const char *kReadoutMinutes =
    "QLabel {    background-color: #404040;    color: rgb(0, 255, 0);    font-family: 'Calibri Light';"
    "    font-size: %1px;    padding: 10px;    border-radius: 0px;    border-top: 2px solid rgb(0, 255, 0);"
    "    border-bottom: 2px solid rgb(0, 255, 0);    border-left: none;    border-right: none;"
    "    qproperty-alignment: 'AlignCenter';}";
inline constexpr const char *kReadoutSeconds =
    "QLabel {    background-color: #404040;    color: rgb(0, 255, 0);    font-family: 'Calibri Light';"
    "    font-size: %1px;    padding: 10px;    border-radius: 0px;    border-top: 2px solid rgb(0, 255, 0);"
    "    border-bottom: 2px solid rgb(0, 255, 0);    qproperty-alignment: 'AlignCenter';}";
inline constexpr const char *kReadoutFrames =
    "QLabel {    background-color: #404040;    color: rgb(0, 255, 0);    font-family: 'Calibri Light';"
    "    font-size: %1px;    padding: 10px;    border-top-right-radius: 10px;    border-bottom-right-radius: 10px;"
    "    border: 2px solid rgb(0, 255, 0);    border-left: none;    qproperty-alignment: 'AlignCenter';}";

// The readout's green, and what takes its place while no unit is connected.
inline constexpr const char *kReadoutGreen = "rgb(0, 255, 0)";
inline constexpr const char *kReadoutDimmed = "rgb(0, 110, 0)";

// The Start, End and Capture fields. Qt's style sheets have no cursor
// property; the fields keep their I-beam cursor through QWidget::setCursor.
inline constexpr const char *kTimeField =
    "QLineEdit {    background-color: #404040;    color: rgb(0, 255, 0);    border: 2px solid #00FF00;"
    "    border-radius: 5px;    padding: 5px;    font-size: %1px;    qproperty-alignment: AlignCenter;"
    "    selection-background-color: #FFD700;    selection-color: #404040;}";

// Set on the central widget so that every plain label follows the window size.
inline constexpr const char *kScaledLabels = "QLabel {    font-size: %1px;    qproperty-alignment: AlignCenter;}";

// Transport buttons.
inline constexpr const char *kPlayRunning =
    "QPushButton {    background-color: #ffffff;    border: 2px solid #4ace5a;    border-radius: 10px;"
    "    padding: 5px;    margin: 2px;    image: url(:/image/gplay.png);}";
inline constexpr const char *kPauseActive =
    "QPushButton {    background-color: #ffffff;    border: 2px solid #4ace5a;    border-radius: 10px;"
    "    padding: 5px;    margin: 2px;    image: url(:/image/gstop.png);}";
inline constexpr const char *kStopActive =
    "QPushButton {    background-color: #ffffff;    border: 2px solid #4ace5a;    border-radius: 10px;"
    "    padding: 5px;    margin: 2px;    image: url(:/image/gpstop2.png);}";

#define QUILL_IMAGE_BUTTON(normal, hover)                                                                       \
    "QPushButton {    background-color: #ffffff;    border: 2px solid #404040;    border-radius: 10px;"        \
    "    padding: 5px;    margin: 2px;    image: url(" normal ");}QPushButton:pressed {"                       \
    "    background-color: rgb(211, 211, 211);    border: 2px solid rgb(211, 211, 211);}QPushButton:hover {"  \
    "    background-color: #ffffff;    border: 2px solid #4ace5a;    border-radius: 10px;    padding: 5px;"   \
    "    margin: 2px;    image: url(" hover ");}"
inline constexpr const char *kPlayNormal = QUILL_IMAGE_BUTTON(":/image/play2.png", ":/image/gplay.png");
inline constexpr const char *kPauseNormal = QUILL_IMAGE_BUTTON(":/image/hstop.png", ":/image/gstop.png");
inline constexpr const char *kStopNormal = QUILL_IMAGE_BUTTON(":/image/hpstop2.png", ":/image/gpstop2.png");
inline constexpr const char *kGotoNormal = QUILL_IMAGE_BUTTON(":/image/backward.png", ":/image/gbackward.png");
#undef QUILL_IMAGE_BUTTON

// A transport button while the unit follows an outside source: its picture in
// light grey, so the row still says what each button is.
#define QUILL_DISABLED_BUTTON(picture)                                                                          \
    "QPushButton {    background-color: #ffffff;    border: 2px solid #B0B0B0;    border-radius: 10px;"        \
    "    padding: 5px;    margin: 2px;    image: url(" picture ");}"
inline constexpr const char *kPlayDisabled = QUILL_DISABLED_BUTTON(":/image/play_off.png");
inline constexpr const char *kPauseDisabled = QUILL_DISABLED_BUTTON(":/image/hstop_off.png");
inline constexpr const char *kStopDisabled = QUILL_DISABLED_BUTTON(":/image/hpstop2_off.png");
inline constexpr const char *kGotoDisabled = QUILL_DISABLED_BUTTON(":/image/backward_off.png");
#undef QUILL_DISABLED_BUTTON

// The "IP Setting" button, greyed while the generator or the unit's stream
// holds the source.
inline constexpr const char *kIpButtonLocked =
    "QPushButton {    background-color: rgb(192, 192, 192);    border: 2px solid #A9A9A9;    border-radius: 10px;"
    "    padding: 5px 15px;    color: #000000;    font-size: %1px;}";
inline constexpr const char *kIpButtonNormal =
    "QPushButton {    background-color: rgb(240, 240, 240);    border: 2px solid #A9A9A9;    border-radius: 10px;"
    "    padding: 5px 15px;    color: #000000;    font-size: %1px;}QPushButton:pressed {"
    "    background-color: rgb(169, 169, 169);}QPushButton:hover {    background-color: rgb(192, 192, 192);}";

// Radio buttons of a group box, greyed or live.
inline constexpr const char *kRadioGroupDisabled =
    "QRadioButton {    color: #A0A0A0;}QRadioButton::indicator:checked {    background-color: #A0A0A0;"
    "    border: 2px solid #FFFFFF;}QRadioButton::indicator:unchecked {    background-color: #A0A0A0;"
    "    border: 2px solid #B0B0B0;}";
inline constexpr const char *kRadioGroupEnabled =
    "QRadioButton {    color: #000000;}QRadioButton::indicator:checked {    background-color: #37a50e;"
    "    border: 2px solid #FFFFFF;}QRadioButton::indicator:unchecked {    background-color: #FFFFFF;"
    "    border: 2px solid #B0B0B0;}";

} // namespace PanelStyle
