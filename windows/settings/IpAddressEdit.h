// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

#include <array>

class IpSegmentEdit;

// A compact editor for one IPv4 address: four one-octet fields behind one
// frame, which turns blue while any of them has focus.
class IpAddressEdit : public QWidget
{
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget *parent = nullptr);

    // The dotted address, or empty while any octet is empty. Octets are
    // written in plain decimal (007 as 7); a segment that does not hold a
    // number keeps its text, so the caller's check sees the bad octet.
    QString address() const;
    // Fills the four octets from a dotted address with every octet 0 to 255;
    // anything else leaves all four empty.
    void setAddress(const QString &text);

    // Segment index + 1 gets the focus with its text selected (0 to 2 only).
    void focusNextSegment(int index);
    // Segment index - 1 gets the focus with the cursor at its end (1 to 3 only).
    void focusPreviousSegment(int index);

    IpSegmentEdit *segment(int index) const { return segments.at(size_t(index)); }

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    // A plain QWidget subclass paints its style sheet frame only on request.
    void paintEvent(QPaintEvent *event) override;

private:
    bool anySegmentHasFocus() const;

    std::array<IpSegmentEdit *, 4> segments{};
};
