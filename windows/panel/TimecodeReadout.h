// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "timecode/FrameArithmetic.h"

#include <QSize>
#include <QString>

class ReadoutLabel;
class QLineEdit;
class QWidget;

// The four-field readout (hours, minutes, seconds, frames, left to right).
//
// Text form, which the transport reads back: each value as at least two
// decimal digits, every digit followed by a blank with the outer blanks
// dropped ("0 7", "1 2 3"); hours, minutes and seconds then carry " : ". The
// frames field ends with " " when the time came from a full frame or from the
// generator, and with nothing when it came from the quarter-frame stream or a
// slider drag.
class TimecodeReadout
{
public:
    // Font sizes in pixels for a window of w × h pixels; integer divisions.
    // The readout's digits grow with the window until its four fields are
    // filled (w / 9 - 2) or the rest of the window would no longer fit below
    // them (93 + (h - 650) / 3); 93 at the smallest window, 860 × 650.
    struct Scale
    {
        int timeFont;   // the smaller of the two, kept within 10..200
        int editFont;   // w / 40 + 5
        int labelFont;  // w / 40
        int buttonFont; // w / 40
    };
    static Scale scaleFor(QSize window);

    static QString spacedField(int value);

    TimecodeReadout(ReadoutLabel *hours, ReadoutLabel *minutes, ReadoutLabel *seconds, ReadoutLabel *frames);

    enum class FramesSuffix { Blank, None };
    void show(int hours, int minutes, int seconds, int frames, FramesSuffix suffix = FramesSuffix::Blank);
    void show(const FrameArithmetic::Label &label, FramesSuffix suffix = FramesSuffix::Blank);
    // "hh:mm:ss:ff" from the quarter-frame stream; any other number of parts is
    // ignored.
    void showQuarterFrameText(const QString &timecode);
    void clear();

    // The four fields read back (":" and blanks removed, -1 for a field that is
    // not a number).
    FrameArithmetic::Label label() const;
    // The eight digits of the readout, for a masked time field.
    QString digits() const;

    // Restyles the readout, the three time fields and the labels of `labelScope`
    // for a window size; returns the scale used.
    Scale applyScale(QSize window, QLineEdit *const (&fields)[3], QWidget *labelScope);

    // Without a unit the readout is dimmed: the time it keeps is no longer
    // anyone's.
    void setLive(bool live);
    bool isLive() const { return m_live; }

private:
    void applyReadoutSheets();

    void keepShown(const int (&values)[4]);

    ReadoutLabel *m_labels[4];
    int m_timeFont = 0; // 0 until the first scaling
    bool m_live = true;
    // label() is read on every tick of the transport's timers and with every
    // label shown: the texts last shown or read and their values are kept.
    mutable QString m_readTexts[4];
    mutable FrameArithmetic::Label m_read;
    mutable bool m_readKept = false;
};
