// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class QMouseEvent;
class QPaintEvent;

// The About box: a frameless dialog that paints its own title strip and is dragged by
// it. It shows the panel's version.
class CustomDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CustomDialog(QWidget *parent = nullptr);

    // currentPanelVersion(), e.g. "V2.1.0"
    QString version;

    static constexpr int kTitleStripHeight = 30;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // From the window's top-left corner to the grab point, in global coordinates.
    int dragOffsetX = 0;
    int dragOffsetY = 0;
    // Set by a left press inside the strip, cleared by any other press, so a press
    // elsewhere never lets a later move jump the window by a stale offset.
    bool dragging = false;
};
