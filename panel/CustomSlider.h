#pragma once

#include <QSlider>

// The generator's position slider.
class CustomSlider : public QSlider
{
    Q_OBJECT
public:
    explicit CustomSlider(QWidget *parent = nullptr);
};
