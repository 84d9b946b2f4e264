// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/StreamHealthIndicator.h"

#include "protocol/MidiTimecodeIn.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

StreamHealthIndicator::StreamHealthIndicator(MidiTimecodeIn *decoder, QWidget *corner)
    : QWidget(corner)
    , m_decoder(decoder)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("streamHealth"));
    setFixedSize(kSize, kSize);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(m_timer, &QTimer::timeout, this, &StreamHealthIndicator::refresh);
    // Whatever the decoder tells starts the watch; the timer sees the stream stop.
    for (auto signal : {&MidiTimecodeIn::sourcecodeReceived, &MidiTimecodeIn::directionChanged})
        connect(decoder, signal, this, &StreamHealthIndicator::refresh);
    connect(decoder, &MidiTimecodeIn::timecodeReceived, this, &StreamHealthIndicator::refresh);
    connect(decoder, &MidiTimecodeIn::streamHealthReset, this, &StreamHealthIndicator::refresh);
    corner->installEventFilter(this);
    place();
    refresh();
}

void StreamHealthIndicator::refresh()
{
    if (!m_decoder)
        return;
    bool stopped = false;
    const MidiTimecodeIn::Direction direction = m_decoder->streamDirection(&stopped);
    State state = stopped ? State::Stopped : State::None;
    if (direction == MidiTimecodeIn::Forward)
        state = State::Forward;
    else if (direction == MidiTimecodeIn::Reverse)
        state = State::Reverse;
    const bool running = state == State::Forward || state == State::Reverse;
    if (running && !m_timer->isActive())
        m_timer->start(kRefreshMs);
    else if (!running)
        m_timer->stop();

    // Read with every frame shown: the text is only made when something changed.
    const MidiTimecodeIn::StreamHealth health = m_decoder->streamHealth();
    const bool sameHealth = health.lostPieces == m_health.lostPieces
        && health.rejectedLabels == m_health.rejectedLabels && health.confirmedJumps == m_health.confirmedJumps;
    if (state == m_state && sameHealth && !toolTip().isEmpty())
        return;
    m_health = health;
    static const char *const names[] = {"none", "running forward", "running in reverse", "stopped"};
    setToolTip(tr("Incoming time code: %1\nSince connecting: %2 quarter frames lost, %3 labels rejected, "
                  "%4 jumps confirmed")
                   .arg(tr(names[int(state)]))
                   .arg(health.lostPieces)
                   .arg(health.rejectedLabels)
                   .arg(health.confirmedJumps));
    setAccessibleName(tr("Incoming time code: %1").arg(tr(names[int(state)])));
    if (state != m_state) {
        m_state = state;
        update();
    }
}

void StreamHealthIndicator::place()
{
    move(parentWidget()->width() - kSize - kInset, kInset);
}

bool StreamHealthIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void StreamHealthIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
    switch (m_state) {
    case State::Forward:
    case State::Reverse: {
        const bool forward = m_state == State::Forward;
        QPainterPath triangle;
        triangle.moveTo(forward ? box.left() : box.right(), box.top());
        triangle.lineTo(forward ? box.right() : box.left(), box.center().y());
        triangle.lineTo(forward ? box.left() : box.right(), box.bottom());
        triangle.closeSubpath();
        painter.fillPath(triangle, forward ? QColor(0, 200, 0) : QColor(255, 170, 0));
        break;
    }
    case State::Stopped:
        painter.fillRect(box.adjusted(1, 1, -1, -1), QColor(150, 150, 150));
        break;
    case State::None:
        painter.setPen(QPen(QColor(120, 120, 120), 1.5));
        painter.drawEllipse(box.adjusted(1, 1, -1, -1));
        break;
    }
}
