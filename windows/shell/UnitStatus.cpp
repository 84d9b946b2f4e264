// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/UnitStatus.h"

#include <QStringList>

UnitStatus::UnitStatus(QObject *parent)
    : QObject(parent)
{
}

void UnitStatus::connected(const QString &label)
{
    m_connected = true;
    m_label = label;
    m_model.clear();
    m_firmware.clear();
    emit changed();
}

void UnitStatus::disconnected(const QString &why)
{
    m_connected = false;
    m_model.clear();
    m_firmware.clear();
    setLast(why, true);
}

void UnitStatus::setModel(const QString &model)
{
    if (model == m_model)
        return;
    m_model = model;
    emit changed();
}

void UnitStatus::setFirmware(const QString &version)
{
    if (version == m_firmware)
        return;
    m_firmware = version;
    emit changed();
}

void UnitStatus::setMidiUnavailable(const QString &text)
{
    if (text == m_midiUnavailable)
        return;
    m_midiUnavailable = text;
    emit changed();
}

void UnitStatus::noteProblem(const QString &text)
{
    setLast(text, true);
}

void UnitStatus::noteDone(const QString &text)
{
    setLast(text, false);
}

void UnitStatus::setLast(const QString &text, bool problem)
{
    m_last = text;
    m_lastIsProblem = problem;
    emit changed();
}

QString UnitStatus::text() const
{
    QStringList parts;
    if (!m_connected) {
        // The driver says what failed; the way on without one is the panel's own.
        parts << (m_midiUnavailable.isEmpty()
                      ? QStringLiteral("No unit connected")
                      : m_midiUnavailable + QStringLiteral(" The built-in unit still works with --demo."));
    } else {
        parts << (m_model.isEmpty() ? m_label : m_model);
        if (!m_firmware.isEmpty())
            parts << QStringLiteral("firmware ") + m_firmware;
    }
    if (!m_last.isEmpty())
        parts << m_last;
    return parts.join(QStringLiteral("  \u00B7  "));
}
