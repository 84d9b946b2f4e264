// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/NetworkSettingsWindows.h"

#include "dialogs/MessageBoxes.h"
#include "settings/IpSettingController.h"
#include "settings/OscSettingWidget.h"
#include "settings/TimeOffsetWidget.h"
#include "settings/UdpSetting.h"
#include "settings/ip_Dialog.h"

namespace {

void bringUp(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

NetworkSettingsWindows::NetworkSettingsWindows(QWidget *window, MessageBoxes *boxes)
    : m_window(window)
    , m_boxes(MessageBoxes::orDesktop(boxes))
    , m_ipDialog(new ip_Dialog(boxes, window))
    , m_ipController(new IpSettingController(m_ipDialog, window, boxes, window))
    , m_udp(std::make_unique<UdpSetting>(boxes))
    , m_osc(std::make_unique<OscSettingWidget>(boxes))
    , m_offset(std::make_unique<TimeOffsetWidget>(boxes))
{
    QObject::connect(m_ipDialog, &ip_Dialog::read_ip, m_ipController, &IpSettingController::requestConfig);
    m_udp->setWindowTitle(QObject::tr("UDP/TCP Setting"));
    m_osc->setWindowTitle(QObject::tr("OSC Setting"));
    m_offset->setWindowTitle(QObject::tr("Quill time offset"));
    m_offset->resize(330, 120);
    m_offset->setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint);
}

NetworkSettingsWindows::~NetworkSettingsWindows() = default;

void NetworkSettingsWindows::openIp(bool supported)
{
    if (!supported) {
        m_boxes->notify(m_window, QMessageBox::Information, QObject::tr("IP Unavailable"),
                        QObject::tr("Only TQR-30 series supports IP setting."));
        return;
    }
    bringUp(m_ipDialog);
}

void NetworkSettingsWindows::openOsc(bool supported)
{
    if (!supported) {
        showOscUnavailable();
        return;
    }
    bringUp(m_osc.get());
}

void NetworkSettingsWindows::openUdpTcp(bool supported)
{
    if (!supported) {
        showOscUnavailable();
        return;
    }
    bringUp(m_udp.get());
}

void NetworkSettingsWindows::openOffset()
{
    bringUp(m_offset.get());
}

void NetworkSettingsWindows::showOscUnavailable()
{
    m_boxes->show(m_window, QMessageBox::Information, QStringLiteral("OSC Unavailable"),
                  QStringLiteral("Only TQR-30 Pro supports OSC."));
}
