// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Turns Ctrl-C (SIGINT, and SIGTERM) into the interrupted() signal on the
// thread that made the watch, so that a command ends through its own waits
// and closes its ports instead of dying in the middle of a write. One watch
// per process.
class InterruptWatch : public QObject
{
    Q_OBJECT
public:
    explicit InterruptWatch(QObject *parent = nullptr);
    ~InterruptWatch() override;

signals:
    void interrupted();
};
