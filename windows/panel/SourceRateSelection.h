// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panel/PanelContext.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

class CustomSlider;
class QGroupBox;
class QRadioButton;
class QRegularExpressionValidator;

// The "TC SOURCE" and "FPS" radio groups. Choosing a source tells the unit
// with F0 7F 7F 10 ss F7; choosing a rate relocates the generator to Start,
// because the rate travels in the locate message. The unit's reports set the
// buttons back without sending anything. Only the Generator source leaves the
// transport and the rate group usable.
class SourceRateSelection : public QObject
{
    Q_OBJECT
public:
    // Source numbers of the six source buttons, in form order.
    enum Source { Usb = 1, Midi = 2, Ltc = 3, Generator = 4, RtpMidi = 5, ArtNet = 6 };

    // The time-entry pattern for a rate; the frames part follows the rate
    // (24: 00-23, 25: 00-24, 30 drop and 30: 00-29, no rate checked: none).
    static QString validatorPattern(std::optional<FrameRate> rate);

    // What the selection drives besides the context's widgets.
    struct Widgets
    {
        // In source-number order: sources[0] is Usb.
        QRadioButton *sources[6];
        QGroupBox *sourceGroup;
        QGroupBox *rateGroup;
        // The fields take the rate's validator; Start is relocated on a rate change.
        PanelContext::TimeFields fields;
        CustomSlider *slider;
    };

    SourceRateSelection(const PanelContext &context, const Widgets &widgets, QObject *parent = nullptr);

    // Connects toggled(bool) of the ten buttons so that only the newly checked
    // one reaches the selection handler.
    void connectButtons();
    void handleSelection(QRadioButton *button);
    // A report from the unit: 1-6 a source, 11-14 a rate.
    void receiveReport(int num);
    // Sends the checked source; warns when none is checked.
    void sendSource();
    // Builds the validator for the checked rate and sets it on the three
    // time fields, replacing the previous one.
    void rebuildValidator();

    QRegularExpressionValidator *validator() const { return m_validator; }

private:
    // A field may hold a frame the newly chosen rate does not have (29 at 24);
    // it is moved to one it has, so that what the field shows is what runs.
    void keepFieldsWithinRate();
    QRadioButton *sourceButton(int number) const;
    // The six source buttons, then the four rate buttons.
    std::array<QRadioButton *, 10> allButtons() const;

    PanelContext m_context;
    Widgets m_widgets;
    QRegularExpressionValidator *m_validator = nullptr;
};
