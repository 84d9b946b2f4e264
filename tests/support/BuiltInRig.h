// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A main window on the in-memory MIDI system with the built-in emulated unit
// attached, for end-to-end tests: the unit answers as a real one would, and
// its state is read back through unit. With its serial side on, the window
// finds the unit's pseudo-terminals through the system's catalogues over the
// rig's own port registry, as the panel's --demo does.

#include "shell/MainWindow.h"
#include "emulator/BuiltInUnit.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"
#include "support/MessageBoxRecorder.h"
#include "support/MidiMenu.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace PanelTest {

struct BuiltInRig
{
    enum class Serial { Off, On };

    explicit BuiltInRig(UnitMessages::Model unitModel = UnitMessages::Model::Tqr30Pro)
        : BuiltInRig(modelOptions(unitModel), Serial::Off)
    {
    }
    // The unit's registry folder is always the rig's own.
    BuiltInRig(const BuiltInUnit::Options &unitOptions, Serial serial)
        : model(unitOptions.model)
        , portRegistry(serial == Serial::On ? std::make_unique<EmulatedPortRegistry>(registry.path()) : nullptr)
        , usb(portRegistry ? createSystemUsbDescriptionSource(portRegistry.get()) : nullptr)
        , serialPorts(portRegistry ? createSystemSerialPortCatalogue(portRegistry.get()) : nullptr)
        , unit(&driver, inRegistry(unitOptions, registry))
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
    const std::unique_ptr<EmulatedPortRegistry> portRegistry;
    const std::unique_ptr<UsbDescriptionSource> usb;
    const std::unique_ptr<SerialPortCatalogue> serialPorts;
    InMemoryMidiDriver driver;
    BuiltInUnit unit;
    MainWindow window {platform()};
    MessageBoxRecorder boxes {MessageBoxRecorder::Watch::CloseWithOk};

private:
    static BuiltInUnit::Options modelOptions(UnitMessages::Model model)
    {
        BuiltInUnit::Options o;
        o.model = model;
        return o;
    }
    static BuiltInUnit::Options inRegistry(BuiltInUnit::Options o, const QTemporaryDir &dir)
    {
        o.registryDirectory = dir.path();
        return o;
    }
    Platform platform()
    {
        Platform p;
        p.midi = &driver;
        p.usbDescriptions = usb.get();
        p.serialPorts = serialPorts.get();
        return p;
    }
};

} // namespace PanelTest
