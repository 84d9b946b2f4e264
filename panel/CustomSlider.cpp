#include "panel/CustomSlider.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionSlider>

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
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void CustomSlider::sliderChange(SliderChange change)
{
    if (change == SliderValueChange && !m_paintedHandle.isNull() && handleRect() == m_paintedHandle)
        return;
    QSlider::sliderChange(change);
}

void CustomSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    const QRect handle = handleRect();
    m_paintedHandle = handle;

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
