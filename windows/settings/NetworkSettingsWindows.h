// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class IpSettingController;
class MessageBoxes;
class OscSettingWidget;
class QWidget;
class TimeOffsetWidget;
class UdpSetting;
class ip_Dialog;

// The network settings windows of the main window and how they are opened:
// the IP dialog (a child of the window, with its controller), and the OSC,
// UDP/TCP and offset windows, which have no parent. A window the connected
// model cannot use is not opened; a box says why.
class NetworkSettingsWindows
{
public:
    // window parents the IP dialog, its controller and the boxes; boxes null:
    // the desktop's own.
    NetworkSettingsWindows(QWidget *window, MessageBoxes *boxes);
    ~NetworkSettingsWindows();

    ip_Dialog *ipDialog() const { return m_ipDialog; }
    IpSettingController *ipController() const { return m_ipController; }
    UdpSetting *udpWindow() const { return m_udp.get(); }
    OscSettingWidget *oscWindow() const { return m_osc.get(); }
    TimeOffsetWidget *offsetWindow() const { return m_offset.get(); }

    // supported: whether the connected model has the feature.
    void openIp(bool supported);
    void openOsc(bool supported);
    void openUdpTcp(bool supported);
    void openOffset();
    // Shown by the OSC and UDP/TCP entries when the unit cannot do OSC.
    void showOscUnavailable();

private:
    QWidget *m_window;
    MessageBoxes *m_boxes;
    ip_Dialog *m_ipDialog;
    IpSettingController *m_ipController;
    std::unique_ptr<UdpSetting> m_udp;
    std::unique_ptr<OscSettingWidget> m_osc;
    std::unique_ptr<TimeOffsetWidget> m_offset;
};
