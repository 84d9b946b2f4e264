// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/MidiDriver.h"

#include <vector>

// Several MIDI systems shown as one: the outputs of the first driver come
// first, then those of the second, and so on; inputs likewise. Used to put
// the built-in emulated unit beside the computer's real ports.
//
// outputCount() and inputCount() list every member once and keep how many
// ports each had; names and ids are read by that numbering, as the members
// read theirs by their own last listing. A port is opened by its id, which
// names the member, so opening lists nothing.
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
    std::unique_ptr<MidiOutputPort> openOutput(const QString &id) override;
    std::unique_ptr<MidiInputPort> openInput(const QString &id, MidiInputSink *sink) override;
    std::optional<int> soundCardOf(const QString &portId) override;

private:
    struct Target
    {
        MidiDriver *driver = nullptr;
        int index = -1;
        int member = -1;
    };
    using Count = int (MidiDriver::*)();
    static Target locate(const std::vector<MidiDriver *> &drivers, const std::vector<int> &counts, int index);
    static int listAll(const std::vector<MidiDriver *> &drivers, std::vector<int> &counts, Count count);
    // The member an id names and the member's own id; no driver when the id
    // names none.
    MidiDriver *memberOf(const QString &id, QString *memberId) const;

    std::vector<MidiDriver *> m_drivers;
    // Ports per member in the last listing.
    std::vector<int> m_outputCounts;
    std::vector<int> m_inputCounts;
};
