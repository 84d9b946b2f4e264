// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/SettingStep.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// Sends the messages of a settings write one at a time, each only after the
// unit has answered the one before (see SettingStep for what counts as an
// answer), and records per step whether the unit took it. The first refusal
// ends the write and marks the rest skipped; a unit silent for the step
// timeout fails that step and every later one. Nothing is retried.
class SettingSequence : public QObject
{
    Q_OBJECT
public:
    static constexpr int kStepTimeoutMs = 3000;

    struct Item
    {
        quint8 id = 0;
        QString name;
        bool recorded = false;
        bool success = false;
        QString error;
    };

    explicit SettingSequence(QObject *parent = nullptr);

    // Tests shorten the wait for an answer.
    void setStepTimeout(int ms) { m_stepTimeoutMs = ms; }

    // Starts a new write; one still running is dropped without finished().
    void start(const QList<SettingStep> &steps);
    // Drops the running write without finished().
    void cancel();

    bool isRunning() const { return m_running; }
    bool isFinished() const { return m_finished; }
    // Index of the step last sent; -1 before the first.
    int currentStep() const { return m_current; }
    QList<QByteArray> messages() const;
    const QList<Item> &items() const { return m_items; }
    bool allSucceeded() const;
    // The first step that failed; nothing when all succeeded.
    std::optional<Item> firstFailure() const;

    // An acknowledgement code (0 refused, 1 to 9 taken) while a write runs.
    void takeAck(int code);
    // Any other message from the unit: the answer of a step that awaits a report.
    void takeMessage(const QByteArray &message);

    static QString refusedText();
    static QString skippedText();
    static QString timedOutText();

signals:
    void sendRequested(const QByteArray &message);
    void finished();

private:
    void sendNext();
    void record(int index, bool success, const QString &error);
    void succeedCurrent();
    void failCurrent();
    void onTimeout();
    void finish();

    QList<SettingStep> m_steps;
    QList<Item> m_items;
    int m_current = -1;
    bool m_running = false;
    bool m_finished = false;
    QTimer m_stepTimer;
    QTimer m_gapTimer;
    int m_stepTimeoutMs = kStepTimeoutMs;
};
