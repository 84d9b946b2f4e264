#pragma once

// A main window on the in-memory MIDI system with the built-in emulated unit
// attached, for end-to-end tests: the unit answers as a real one would, and
// its state is read back through unit.

#include "app/MainWindow.h"
#include "emulator/BuiltInUnit.h"
#include "midi/InMemoryMidiDriver.h"
#include "support/MessageBoxRecorder.h"
#include "support/MidiMenu.h"

#include <QTemporaryDir>
#include <QtTest>

namespace PanelTest {

struct BuiltInRig
{
    explicit BuiltInRig(UnitMessages::Model unitModel = UnitMessages::Model::Tqr30Pro)
        : model(unitModel)
        , unit(&driver, options(unitModel, registry))
    {
    }

    // The unit's menu entry, "TQR-30 Pro (built-in) [0]" for the default model.
    QString entryText() const { return BuiltInUnit::portNameFor(model) + QStringLiteral(" [0]"); }

    // Chooses the unit's menu entry and waits until its identification reply
    // has named the model; false when there is no entry or no reply.
    bool connectUnit()
    {
        QAction *entry = menuEntry(window, entryText());
        if (!entry)
            return false;
        entry->trigger();
        const QString product = UnitMessages::modelName(model);
        return QTest::qWaitFor([this, product] { return window.productText() == product; });
    }

    EmulatedUnit::Network network()
    {
        EmulatedUnit::Network n;
        unit.call([&](EmulatedUnit &u) { n = u.network(); });
        return n;
    }

    const UnitMessages::Model model;
    QTemporaryDir registry;
    InMemoryMidiDriver driver;
    BuiltInUnit unit;
    MainWindow window {Platform {&driver}};
    MessageBoxRecorder boxes {MessageBoxRecorder::Watch::CloseWithOk};

private:
    static BuiltInUnit::Options options(UnitMessages::Model model, const QTemporaryDir &dir)
    {
        BuiltInUnit::Options o;
        o.model = model;
        o.registryDirectory = dir.path();
        return o;
    }
};

} // namespace PanelTest
