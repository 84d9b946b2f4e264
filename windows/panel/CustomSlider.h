// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSlider>

// The generator's position slider. Besides the handle it paints a start
// marker (":/image/hk32.png"): placed, it stays where the handle was at the
// first paint after setMarker(), while the handle moves on; not placed, it
// sits at the left end of the track, where value 0 is. It hangs below the
// groove's centre line. A missing picture only means no marker.
//
// A new value that leaves the handle on the same pixel schedules no repaint:
// the generator moves the slider far more often than its handle moves. Each
// paint works out the run of positions that keep the handle where it was
// painted, so such a value costs no style call either.
class CustomSlider : public QSlider
{
    Q_OBJECT
public:
    explicit CustomSlider(QWidget *parent = nullptr);
    ~CustomSlider() override;

    // Stores the value and the placed flag and takes the marker position from
    // the handle at the next paint.
    void setMarker(int value, int placed);

    int markerValue() const { return m_markerValue; }
    bool markerPlaced() const { return m_markerPlaced != 0; }
    // Left edge of the marker picture as last painted, in widget pixels.
    int markerLeft() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    QRect handleRect() const;
    QRect handleRectAt(int position) const;
    // The first or last position, going from `from` towards `limit`, that
    // puts the handle on `handle`; `from` itself does.
    int lastPositionOn(const QRect &handle, int from, int limit) const;

    static constexpr int kUnplacedLeft = -10;
    static constexpr int kDropBelowCentre = 6;

    int m_markerValue = 0;
    int m_markerPlaced = 0;
    bool m_markerPending = true;
    QRect m_paintedHandle;
    int m_samePixelFrom = 0;
    int m_samePixelTo = -1;
    // There is one slider; the position survives it being rebuilt.
    static int s_markerPosition;
};
