// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit/SettingSequence.h"

#include <QDebug>

#include <algorithm>

SettingSequence::SettingSequence(QObject *parent)
    : QObject(parent)
{
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &SettingSequence::onTimeout);
    m_gapTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, which would cut the unit's gap short.
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gapTimer, &QTimer::timeout, this, &SettingSequence::succeedCurrent);
}

QString SettingSequence::refusedText()
{
    return tr("The device reported a failure");
}

QString SettingSequence::skippedText()
{
    return tr("Skipped because the previous item failed");
}

QString SettingSequence::timedOutText()
{
    return tr("Timed out waiting for a device response");
}

void SettingSequence::start(const QList<SettingStep> &steps)
{
    m_steps = steps;
    m_items.clear();
    for (const SettingStep &step : steps) {
        Item item;
        item.id = step.id;
        item.name = step.name;
        m_items.append(item);
    }
    m_running = true;
    m_finished = false;
    m_current = -1;
    m_stepTimer.stop();
    m_gapTimer.stop();
    sendNext();
}

void SettingSequence::cancel()
{
    m_running = false;
    m_stepTimer.stop();
    m_gapTimer.stop();
}

QList<QByteArray> SettingSequence::messages() const
{
    QList<QByteArray> out;
    for (const SettingStep &step : m_steps)
        out.append(step.message);
    return out;
}

bool SettingSequence::allSucceeded() const
{
    return std::all_of(m_items.begin(), m_items.end(), [](const Item &item) { return item.recorded && item.success; });
}

std::optional<SettingSequence::Item> SettingSequence::firstFailure() const
{
    for (const Item &item : m_items) {
        if (!item.recorded || !item.success)
            return item;
    }
    return std::nullopt;
}

void SettingSequence::sendNext()
{
    if (!m_running || m_finished)
        return;
    const int k = m_current + 1;
    if (k < 0 || k >= m_steps.size()) {
        finish();
        return;
    }
    m_current = k;
    // The output port traces the bytes.
    qDebug().noquote() << "Setting step" << k + 1 << "of" << m_steps.size() << m_steps[k].name;
    emit sendRequested(m_steps[k].message);
    if (m_steps[k].await == SettingStep::Await::Gap)
        m_gapTimer.start(m_steps[k].gapMs);
    else
        m_stepTimer.start(m_stepTimeoutMs);
}

void SettingSequence::takeAck(int code)
{
    if (!m_running || m_finished)
        return;
    if (m_current < 0 || m_current >= m_items.size()) {
        qWarning() << "Current sending index invalid:" << m_current;
        return;
    }
    // A unit refuses a silent step with an acknowledgement all the same; it
    // takes one only with the step that ends it.
    const SettingStep::Await await = m_steps[m_current].await;
    if (code == 0)
        failCurrent();
    else if (await == SettingStep::Await::Ack)
        succeedCurrent();
}

void SettingSequence::takeMessage(const QByteArray &message)
{
    if (!m_running || m_finished || m_current < 0 || m_current >= m_steps.size())
        return;
    const SettingStep &step = m_steps[m_current];
    if (step.await != SettingStep::Await::Report || !step.report)
        return;
    const std::optional<bool> taken = step.report(message);
    if (!taken)
        return;
    if (*taken)
        succeedCurrent();
    else
        failCurrent();
}

void SettingSequence::record(int index, bool success, const QString &error)
{
    Item &item = m_items[index];
    if (item.recorded)
        return;
    item.recorded = true;
    item.success = success;
    item.error = error;
}

void SettingSequence::succeedCurrent()
{
    if (!m_running || m_finished)
        return;
    m_stepTimer.stop();
    m_gapTimer.stop();
    record(m_current, true, QString());
    if (m_current < m_steps.size() - 1)
        sendNext();
    else
        finish();
}

void SettingSequence::failCurrent()
{
    record(m_current, false, refusedText());
    for (int i = m_current + 1; i < m_items.size(); ++i)
        record(i, false, skippedText());
    finish();
}

void SettingSequence::onTimeout()
{
    if (!m_running || m_finished)
        return;
    for (int i = 0; i < m_items.size(); ++i)
        record(i, false, timedOutText());
    finish();
}

void SettingSequence::finish()
{
    if (!m_running || m_finished)
        return;
    m_running = false;
    m_finished = true;
    m_stepTimer.stop();
    m_gapTimer.stop();
    emit finished();
}
