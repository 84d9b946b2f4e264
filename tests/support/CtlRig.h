// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// quill-ctl run in the test's own process against built-in emulated units on
// the in-memory MIDI system, their serial ports (when on) found through the
// rig's own port registry.

#include "QuillCtl.h"
#include "emulator/BuiltInUnit.h"
#include "midi/InMemoryMidiDriver.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace CtlTest {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

struct CtlRig
{
    enum class Serial { Off, On };

    explicit CtlRig(Serial serial = Serial::Off)
        : portRegistry(serial == Serial::On ? std::make_unique<EmulatedPortRegistry>(registry.path()) : nullptr)
        , usb(portRegistry ? createSystemUsbDescriptionSource(portRegistry.get()) : nullptr)
        , serialPorts(portRegistry ? createSystemSerialPortCatalogue(portRegistry.get()) : nullptr)
    {
    }

    // Units quicker than the hardware at what tests wait for.
    static BuiltInUnit::Options quickOptions(UnitMessages::Model model = UnitMessages::Model::Tqr30Pro)
    {
        BuiltInUnit::Options options;
        options.model = model;
        options.timing.reenumerateMs = 200;
        options.timing.eraseMs = 50;
        options.timing.imageEndIdleMs = 300;
        options.timing.rebootMs = 500;
        return options;
    }

    BuiltInUnit &addUnit(BuiltInUnit::Options options = quickOptions())
    {
        options.registryDirectory = registry.path();
        units.push_back(std::make_unique<BuiltInUnit>(&driver, options));
        return *units.back();
    }

    // quill-ctl with these arguments; `during` runs from the event loop once
    // the command is under way (to interrupt it, say).
    Result run(const QStringList &arguments, int duringAfterMs = -1,
               const std::function<void(QuillCtl &)> &during = {})
    {
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        QuillCtl ctl(out, err);
        if (during)
            QTimer::singleShot(duringAfterMs, &ctl, [&ctl, during] { during(ctl); });
        result.code = ctl.run(arguments, [this] {
            UnitSession::Devices devices;
            devices.midi = &driver;
            devices.usb = usb.get();
            devices.ports = serialPorts.get();
            return devices;
        });
        return result;
    }

    QTemporaryDir registry;
    const std::unique_ptr<EmulatedPortRegistry> portRegistry;
    const std::unique_ptr<UsbDescriptionSource> usb;
    const std::unique_ptr<SerialPortCatalogue> serialPorts;
    InMemoryMidiDriver driver;
    std::vector<std::unique_ptr<BuiltInUnit>> units;
};

} // namespace CtlTest
