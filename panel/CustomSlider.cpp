#include "panel/CustomSlider.h"

CustomSlider::CustomSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
}
