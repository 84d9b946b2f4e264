#include "panel/PanelContext.h"

#include "dialogs/MessageBoxes.h"
#include "midi/QMidiOut.h"
#include "panel/StyleSheets.h"
#include "protocol/MachineControl.h"
#include "ui_MainWindow.h"

#include <QDebug>

PanelContext::PanelContext(Ui::MainWindow *ui, QMidiOut *midiOut, QWidget *window)
    : m_ui(ui)
    , m_midiOut(midiOut)
    , m_window(window)
{
}

bool PanelContext::outputOpen() const
{
    return m_midiOut && m_midiOut->isOpen();
}

void PanelContext::send(const QByteArray &message) const
{
    qDebug().noquote() << "Send:" << message.toHex(' ').toUpper();
    if (m_midiOut)
        m_midiOut->sendLongMessage(message);
}

bool PanelContext::sendLocate(const FrameArithmetic::Label &label) const
{
    const auto message = MachineControl::locate(label.hours, label.minutes, label.seconds, label.frames,
                                                MachineControl::rateCodeForText(rateText()));
    if (!message) {
        qWarning() << "Locate not sent, a time part is out of range:" << label.hours << label.minutes
                   << label.seconds << label.frames;
        return false;
    }
    send(*message);
    return true;
}

void PanelContext::sendStop() const
{
    send(MachineControl::stop());
}

void PanelContext::sendPlay() const
{
    send(MachineControl::play());
}

QString PanelContext::rateText() const
{
    for (QRadioButton *button : {m_ui->radioButton_7, m_ui->radioButton_8, m_ui->radioButton_9, m_ui->radioButton_10}) {
        if (button->isChecked())
            return button->text();
    }
    return QStringLiteral("None");
}

void PanelContext::warnNotConnected() const
{
    warn(QStringLiteral("MIDI Device Not Connected"), QStringLiteral("No MIDI device detected. Please check the connection."));
}

void PanelContext::warn(const QString &title, const QString &text) const
{
    MessageBoxes::desktop()->show(m_window, QMessageBox::Warning, title, text);
}

void PanelContext::applyTransportLook(bool enabled) const
{
    const struct
    {
        QPushButton *button;
        const char *sheet;
    } buttons[] = {
        {m_ui->pushButton, PanelStyle::kPlayNormal},
        {m_ui->pushButton_2, PanelStyle::kPauseNormal},
        {m_ui->pushButton_3, PanelStyle::kStopNormal},
        {m_ui->pushButton_4, PanelStyle::kGotoNormal},
    };
    for (const auto &entry : buttons) {
        entry.button->setStyleSheet(QString::fromLatin1(enabled ? entry.sheet : PanelStyle::kTransportDisabled));
        entry.button->setEnabled(enabled);
    }
}

void PanelContext::applyRadioGroupLook(QGroupBox *group, bool enabled)
{
    const QString sheet = QString::fromLatin1(enabled ? PanelStyle::kRadioGroupEnabled : PanelStyle::kRadioGroupDisabled);
    // The source lock re-applies its look every 100 ms while time code
    // arrives; setting an unchanged sheet would re-polish every button.
    for (QRadioButton *button : group->findChildren<QRadioButton *>()) {
        if (button->styleSheet() != sheet)
            button->setStyleSheet(sheet);
        button->setEnabled(enabled);
    }
}
