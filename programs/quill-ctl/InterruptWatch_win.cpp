// SPDX-License-Identifier: GPL-3.0-or-later
#include "InterruptWatch.h"

#include <QTimer>

#include <atomic>
#include <windows.h>

namespace {
// The console handler runs on a thread of its own; the flag is polled on Qt's.
std::atomic<bool> pressed{false};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    pressed = true;
    return TRUE;
}
} // namespace

InterruptWatch::InterruptWatch(QObject *parent)
    : QObject(parent)
{
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        if (pressed.exchange(false))
            emit interrupted();
    });
    poll->start(100);
}

InterruptWatch::~InterruptWatch()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}
