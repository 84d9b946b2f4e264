#pragma once

#include "midi/MidiDriver.h"

#include <vector>

// Several MIDI systems shown as one: the outputs of the first driver come
// first, then those of the second, and so on; inputs likewise. Used to put
// the built-in emulated unit beside the computer's real ports.
//
// The drivers are borrowed and must outlive this one.
class CompositeMidiDriver : public MidiDriver
{
public:
    explicit CompositeMidiDriver(std::vector<MidiDriver *> drivers);

    int outputCount() override;
    QString outputName(int index) override;
    int inputCount() override;
    std::optional<QString> inputName(int index) override;
    // The member's number, "/" and the member's own id.
    QString outputId(int index) override;
    QString inputId(int index) override;
    // The members' texts, one per line.
    QString unavailableText() const override;
    std::unique_ptr<MidiOutputPort> openOutput(int index) override;
    std::unique_ptr<MidiInputPort> openInput(int index, MidiInputSink *sink) override;

private:
    struct Target
    {
        MidiDriver *driver = nullptr;
        int index = -1;
        int member = -1;
    };
    using Count = int (MidiDriver::*)();
    // Counts are asked afresh on every lookup: ports of any member can come
    // and go between two calls.
    Target target(int index, Count count) const;
    Target outputTarget(int index) const;
    Target inputTarget(int index) const;
    int total(Count count) const;

    std::vector<MidiDriver *> m_drivers;
};
