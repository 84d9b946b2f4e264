// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/CustomSlider.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

int CustomSlider::s_markerPosition = 0;

CustomSlider::CustomSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    update();
}

CustomSlider::~CustomSlider() = default;

void CustomSlider::setMarker(int value, int placed)
{
    m_markerValue = value;
    m_markerPlaced = placed;
    m_markerPending = true;
    update();
}

int CustomSlider::markerLeft() const
{
    return m_markerPlaced ? s_markerPosition : kUnplacedLeft;
}

QRect CustomSlider::handleRect() const
{
    return handleRectAt(sliderPosition());
}

QRect CustomSlider::handleRectAt(int position) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = position;
    option.sliderValue = position;
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

// Styles place the handle by a monotonic function of the position, so the
// positions that share a handle rectangle are one run: widening steps find a
// position past its end, halving then finds the end.
int CustomSlider::lastPositionOn(const QRect &handle, int from, int limit) const
{
    const int direction = limit >= from ? 1 : -1;
    long long on = from, step = 1;
    long long off = limit + direction; // past the limit counts as off the handle
    while (on != limit) {
        const long long probe =
            direction > 0 ? std::min<long long>(on + step, limit) : std::max<long long>(on - step, limit);
        if (handleRectAt(int(probe)) != handle) {
            off = probe;
            break;
        }
        on = probe;
        step *= 2;
    }
    while ((off - on) * direction > 1) {
        const long long middle = on + (off - on) / 2;
        if (handleRectAt(int(middle)) == handle)
            on = middle;
        else
            off = middle;
    }
    return int(on);
}

void CustomSlider::sliderChange(SliderChange change)
{
    if (change == SliderValueChange && !m_paintedHandle.isNull()) {
        const int position = sliderPosition();
        if (position >= m_samePixelFrom && position <= m_samePixelTo)
            return;
        if (handleRect() == m_paintedHandle)
            return;
    }
    QSlider::sliderChange(change);
}

void CustomSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    const QRect handle = handleRect();
    m_paintedHandle = handle;
    m_samePixelFrom = lastPositionOn(handle, sliderPosition(), minimum());
    m_samePixelTo = lastPositionOn(handle, sliderPosition(), maximum());

    QPixmap marker; // load() goes through QPixmapCache, so this is no file access per paint
    if (!marker.load(QStringLiteral(":/image/hk32.png")))
        return;

    if (m_markerPending) {
        s_markerPosition = handle.center().x() - marker.width() / 2;
        m_markerPending = false;
    }

    QPainter painter(this);
    painter.drawPixmap(markerLeft(), height() / 2 + kDropBelowCentre, marker);
}
