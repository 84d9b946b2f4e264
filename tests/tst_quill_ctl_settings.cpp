// SPDX-License-Identifier: GPL-3.0-or-later
// quill-ctl's get, set, backup and restore, run in the process against
// built-in emulated units on the in-memory MIDI system (their serial ports
// as pseudo-terminals in a registry of the test's own).

#include "ExitCode.h"
#include "QuillCtl.h"
#include "emulator/BuiltInUnit.h"
#include "midi/InMemoryMidiDriver.h"
#include "protocol/UnitSettingsFile.h"
#include "serial/EmulatedPortRegistry.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/UsbDescriptionSource.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <memory>

namespace {

struct CtlRig
{
    explicit CtlRig(const EmulatedUnit::Faults &faults = {},
                    UnitMessages::Model model = UnitMessages::Model::Tqr30Pro)
    {
        addUnit(faults, model);
    }
    void addUnit(const EmulatedUnit::Faults &faults = {}, UnitMessages::Model model = UnitMessages::Model::Tqr30Pro)
    {
        BuiltInUnit::Options o;
        o.model = model;
        o.registryDirectory = registry.path();
        o.faults = faults;
        unitList.push_back(std::make_unique<BuiltInUnit>(&driver, o));
    }
    EmulatedUnit::Network network(int unit = 0)
    {
        EmulatedUnit::Network n;
        unitList[size_t(unit)]->call([&](EmulatedUnit &u) { n = u.network(); });
        return n;
    }
    // quill-ctl with these arguments; its exit code, its output in out and err.
    int run(const QStringList &arguments)
    {
        out.clear();
        err.clear();
        QTextStream o(&out);
        QTextStream e(&err);
        QuillCtl ctl(o, e);
        return ctl.run(arguments, [this] {
            UnitSession::Devices d;
            d.midi = &driver;
            d.usb = usb.get();
            d.ports = ports.get();
            return d;
        });
    }

    QTemporaryDir registry;
    EmulatedPortRegistry portRegistry {registry.path()};
    std::unique_ptr<UsbDescriptionSource> usb = createSystemUsbDescriptionSource(&portRegistry);
    std::unique_ptr<SerialPortCatalogue> ports = createSystemSerialPortCatalogue(&portRegistry);
    InMemoryMidiDriver driver;
    std::vector<std::unique_ptr<BuiltInUnit>> unitList;
    QString out;
    QString err;
};

} // namespace

class TestQuillCtlSettings : public QObject
{
    Q_OBJECT
private slots:
    void getAndSet()
    {
        CtlRig rig;
        QCOMPARE(rig.run({"get", "udp"}), ExitCode::kDone);
        QCOMPARE(rig.out, QStringLiteral("udp-port: 5000\ntcp-port: 6000\n"));
        QCOMPARE(rig.run({"set", "osc", "--forward", "on", "--target", "2=10.0.0.9:9000"}), ExitCode::kDone);
        QCOMPARE(rig.run({"get", "osc"}), ExitCode::kDone);
        QCOMPARE(rig.out, QStringLiteral("local-port: 8000\nforward: on\ntarget1: -\ntarget2: 10.0.0.9:9000\n"
                                         "target3: -\ntarget4: -\n"));
        QCOMPARE(rig.run({"set", "ip", "10.0.0.5", "255.255.0.0", "10.0.0.1"}), ExitCode::kDone);
        QCOMPARE(rig.network().gateway, (UnitMessages::Octets {10, 0, 0, 1}));
        QCOMPARE(rig.run({"set", "offset", "-4"}), ExitCode::kDone);
        QCOMPARE(rig.unitList[0]->unit()->offsetFrames(), -4);
    }

    // A backup of one unit restored onto a second one with other settings.
    void backupThenRestore()
    {
        CtlRig rig;
        const EmulatedUnit::Network first = rig.network();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit.json"));
        QVERIFY2(rig.run({"backup", path}) == ExitCode::kDone, qPrintable(rig.err));
        QString error;
        const std::optional<UnitSettingsFile> file = UnitSettingsFile::load(path, &error);
        QVERIFY2(file, qPrintable(error));
        QCOMPARE(file->model, QStringLiteral("TQR-30 Pro"));
        QCOMPARE(file->firmware, QStringLiteral("V1.0.2"));

        // The replacement unit.
        rig.unitList.clear();
        rig.addUnit();
        EmulatedUnit::Network other = rig.network();
        other.manual = true;
        other.address = {10, 0, 0, 5};
        other.subnet = {255, 255, 0, 0};
        other.gateway = {10, 0, 0, 1};
        other.udpPort = 7000;
        other.oscForward = true;
        other.oscTargets[2] = {true, {10, 1, 1, 1}, 9100};
        rig.unitList[0]->call([&](EmulatedUnit &u) { u.setNetwork(other); });

        QCOMPARE(rig.run({"restore", "--dry-run", path}), ExitCode::kDone);
        QCOMPARE(rig.out, QStringLiteral("IP mode: manual -> DHCP\nOSC forward: on -> off\nUDP port: 7000 -> 5000\n"));
        QVERIFY2(rig.err.contains(QLatin1String("OSC Device3: 10.1.1.1:9100 -> (none)")), qPrintable(rig.err));
        QCOMPARE(rig.network().udpPort, 7000);

        QVERIFY2(rig.run({"restore", path}) == ExitCode::kDone, qPrintable(rig.err));
        const EmulatedUnit::Network second = rig.network();
        QCOMPARE(second.manual, first.manual);
        QCOMPARE(second.udpPort, first.udpPort);
        QCOMPARE(second.oscForward, first.oscForward);
        // No message clears a target; it stays, and restore said so.
        QVERIFY(second.oscTargets[2].set);
        QCOMPARE(rig.run({"restore", "--dry-run", path}), ExitCode::kDone);
        QCOMPARE(rig.out, QString());
    }

    void exitCodes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << "fail" << QStringList{"set", "udp", "7000", "7001"} << ExitCode::kUnitFailed
                                 << "The unit refused the UDP port.";
        QTest::newRow("no acknowledgement")
            << "drop" << QStringList{"set", "udp", "7000", "7001"} << ExitCode::kUnitFailed
            << "The unit did not answer the UDP port setting within 0.3 s.";
        QTest::newRow("port out of range") << "" << QStringList{"set", "udp", "70000"} << ExitCode::kUsage
                                           << "The UDP port is invalid.";
        QTest::newRow("offset out of range")
            << "" << QStringList{"set", "offset", "-16"} << ExitCode::kUsage << "from -15 to +15";
        QTest::newRow("gateway elsewhere") << "" << QStringList{"set", "ip", "10.0.0.5", "255.255.255.0", "10.0.1.1"}
                                           << ExitCode::kUsage << "not in the same subnet";
        QTest::newRow("nothing to back up") << "tqr-10" << QStringList{"backup", "/nonexistent/unit.json"}
                                            << ExitCode::kUnitFailed << "nothing to back up";
        QTest::newRow("unreadable file") << "" << QStringList{"restore", "/nonexistent/unit.json"}
                                         << ExitCode::kUsage << "/nonexistent/unit.json";
    }

    void exitCodes()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        EmulatedUnit::Faults faults;
        faults.failAcks = fault == QLatin1String("fail");
        faults.dropAcks = fault == QLatin1String("drop");
        CtlRig rig(faults, fault == QLatin1String("tqr-10") ? UnitMessages::Model::Tqr10 : UnitMessages::Model::Tqr30Pro);
        QCOMPARE(rig.run(QStringList{"--timeout", "0.3"} + arguments), code);
        QVERIFY2(rig.err.contains(message), qPrintable(rig.err));
        if (code == ExitCode::kUsage)
            QCOMPARE(rig.network().udpPort, 5000);
    }
};

QTEST_MAIN(TestQuillCtlSettings)
#include "tst_quill_ctl_settings.moc"
