#include "serial/Upgrade_message_Dialog.h"

#include <QMessageBox>

#include <algorithm>

Upgrade_message_Dialog::Upgrade_message_Dialog(QWidget *parent)
    : QDialog(parent)
{
    ui.setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_finishTimer.setSingleShot(true);
    connect(&m_finishTimer, &QTimer::timeout, this, &Upgrade_message_Dialog::finishTo100);
}

void Upgrade_message_Dialog::rec_brio_version(const QString &Brio, const QString &version)
{
    ui.textBrowser->append(QStringLiteral("Product Model:") + Brio + QStringLiteral("\n")
                           + QStringLiteral("Version:") + version);
}

void Upgrade_message_Dialog::rec_possvalue(int value)
{
    if (m_finishing)
        return;
    if (value >= 100) {
        ui.progressBar->setValue(99);
        m_finishing = true;
        m_endPending = true;
        m_finishTimer.start(m_finishDelayMs);
        return;
    }
    ui.progressBar->setValue(std::clamp(value, 0, 99));
}

void Upgrade_message_Dialog::upgrade_done()
{
    if (m_finishing) {
        m_endPending = true;
        return;
    }
    endUpgrade();
}

void Upgrade_message_Dialog::finishTo100()
{
    ui.progressBar->setValue(100);
    m_finishing = false;
    if (m_endPending) {
        m_endPending = false;
        endUpgrade();
    }
}

void Upgrade_message_Dialog::endUpgrade()
{
    ui.progressBar->setValue(100);
    QMessageBox::information(this, QStringLiteral("Upgrade"),
                             QStringLiteral("Upgrade successful, please power on the device again."),
                             QMessageBox::Ok);
    ui.textBrowser->clear();
    ui.progressBar->setValue(0);
    hide();
}

void Upgrade_message_Dialog::upgrade_failed(const QString &message)
{
    m_finishTimer.stop();
    m_finishing = false;
    m_endPending = false;
    QMessageBox::warning(this, QStringLiteral("Upgrade"), tr("The upgrade did not complete.\n\n%1").arg(message),
                         QMessageBox::Ok);
    ui.textBrowser->clear();
    ui.progressBar->setValue(0);
    hide();
}
