// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/EmulatedPortRegistry.h"
#include "support/InMemorySerialPortCatalogue.h"
#include "support/InMemoryUsbDescriptionSource.h"
#include "support/PtyPeer.h"
#include "serial/PortList.h"
#include "serial/SerialPortListModel.h"
#include "serial/SerialPort.h"
#include "serial/SysfsUsbDescriptionSource.h"
#include "serial/SysfsUsbDeviceLocator.h"
#include "serial/SystemSerialPortCatalogue.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

UsbDeviceRecord device(int vid, int pid, const QString &description, bool hasIds = true)
{
    UsbDeviceRecord d;
    d.hasIds = hasIds;
    d.vendorId = vid;
    d.productId = pid;
    d.description = description;
    return d;
}

SerialPortEntry port(const QString &name, int vid, int pid)
{
    SerialPortEntry p;
    p.portName = name;
    p.hasVendorId = p.hasProductId = true;
    p.vendorId = vid;
    p.productId = pid;
    return p;
}

QStringList texts(const QComboBox &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.itemText(i) + "=" + list.itemData(i, Qt::UserRole).toString();
    return result;
}

// The list as a window shows it: through a combo box on the model.
struct ShownList
{
    SerialPortListModel model;
    QComboBox box;
    ShownList() { box.setModel(&model); }
};

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A device folder under a sysfs root with its id files and, when given, its
// product string; ids are written as the kernel writes them, four hex digits.
void writeSysfsDevice(const QTemporaryDir &root, const QString &name, const QByteArray &vendor,
                      const QByteArray &product, const QByteArray &productString = QByteArray())
{
    QVERIFY(QDir(root.path()).mkpath(name));
    writeFile(root.filePath(name + "/idVendor"), vendor + "\n");
    writeFile(root.filePath(name + "/idProduct"), product + "\n");
    if (!productString.isEmpty())
        writeFile(root.filePath(name + "/product"), productString + "\n");
}

} // namespace

class SerialDiscoveryTest : public QObject
{
    Q_OBJECT
private slots:
    void descriptionMapRules();
    void sysfsDevices();
    void sysfsDeviceLinks_data();
    void sysfsDeviceLinks();
    void portListFollowsTheDevices();
    void portListTakesQtsDescriptionThatNamesTheUnit();
    void portListSharesOneDescription();
    void portListTakesANewPortName();
    void findsEntriesByTag();
    void picksTheConnectedUnitsPort_data();
    void picksTheConnectedUnitsPort();
    void registryRoundTripAndStaleEntries();
    void registryIgnoresWhatOthersCouldPlant_data();
    void registryIgnoresWhatOthersCouldPlant();
    void systemSourcesIncludeTheRegistry();
    void linkRefreshesItsListOnATimer();
    void systemPortsAreWalkedAgainOnlyAfterADeviceChange();
};

void SerialDiscoveryTest::descriptionMapRules()
{
    const QList<UsbDeviceRecord> devices{
        device(0, 0, "no ids first", false),
        device(0x1209, 0x5130, "TQR-30 Larkspur"),
        device(0, 0, "no ids after a device", false),
        device(0x1209, 0x5130, "same pair, second device"),
        device(0x1209, 0x5131, "TQR-30B Boot"),
    };
    const UsbDescriptionMap map = buildUsbDescriptionMap(devices, "Larkspur", false);
    QCOMPARE(map.size(), 2);
    // Keyed by (product, vendor); the first device with a pair wins.
    QCOMPARE(map.value(UsbKey(0x5130, 0x1209)), QString("TQR-30 Larkspur"));
    QCOMPARE(map.value(UsbKey(0x5131, 0x1209)), QString("TQR-30B Boot"));
    // A device without identifiers is filed nowhere, not even under 0:0.
    QVERIFY(!map.contains(UsbKey(0, 0)));

    const UsbDescriptionMap filtered = buildUsbDescriptionMap(devices, "TQR-30B", true);
    QCOMPARE(filtered.keys(), (QList<UsbKey>{UsbKey(0x5131, 0x1209)}));
}

void SerialDiscoveryTest::sysfsDevices()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir dir(root.path());
    // A device, its interface (no ids), a hub without a product string, and a second unit.
    writeSysfsDevice(root, "1-1", "1209", "5130", "TQR-30 Pro Larkspur");
    QVERIFY(dir.mkpath("1-1:1.0"));
    writeFile(root.filePath("1-1:1.0/product"), "interface\n");
    writeSysfsDevice(root, "usb1", "1d6b", "0002");
    writeSysfsDevice(root, "2-1", "0483", "zz", "bad id");

    SysfsUsbDescriptionSource source(root.path());
    const QList<UsbDeviceRecord> devices = source.readDevices();
    QCOMPARE(devices.size(), 1);
    QCOMPARE(devices.at(0).vendorId, 0x1209);
    QCOMPARE(devices.at(0).productId, 0x5130);
    QCOMPARE(devices.at(0).description, QString("TQR-30 Pro Larkspur"));
    QCOMPARE(source.findUsbDeviceDescriptions("USB", QString(), false).value(UsbKey(0x5130, 0x1209)),
             QString("TQR-30 Pro Larkspur"));
    QVERIFY(source.findUsbDeviceDescriptions("PCI", QString(), false).isEmpty());
    QVERIFY(SysfsUsbDescriptionSource(root.filePath("missing")).readDevices().isEmpty());

    // A unit that names itself only in its interface string.
    writeSysfsDevice(root, "3-2", "1209", "5131", "USB Serial");
    QVERIFY(dir.mkpath("3-2:1.0"));
    writeFile(root.filePath("3-2:1.0/interface"), "CDC Control\n");
    QVERIFY(dir.mkpath("3-2:1.1"));
    writeFile(root.filePath("3-2:1.1/interface"), "TQR-30B Loader\n");
    QCOMPARE(source.readDevices().last().description, QString("TQR-30B Loader"));
}

// A sysfs tree as the kernel lays it out: a unit whose sound card and
// ttyACM are two interfaces of one device, a second unit's card, a
// usb-serial port one level below its interface, a built-in serial port,
// and a card whose link leads nowhere.
void SerialDiscoveryTest::sysfsDeviceLinks_data()
{
    QTest::addColumn<QString>("function"); // "card<N>" or a serial port name
    QTest::addColumn<QString>("device");   // below the root, empty for none

    const QString bus = QStringLiteral("devices/pci0000:00/usb1/");
    QTest::newRow("ttyACM under a USB interface") << "ttyACM0" << bus + "1-1";
    QTest::newRow("sound card on the same device") << "card1" << bus + "1-1";
    QTest::newRow("card on another device") << "card2" << bus + "1-2";
    QTest::newRow("usb-serial port below its interface") << "/dev/ttyUSB0" << bus + "1-3";
    QTest::newRow("serial port on no USB device") << "ttyS0" << QString();
    QTest::newRow("no such card") << "card7" << QString();
    QTest::newRow("link that leads nowhere") << "card3" << QString();
    QTest::newRow("pseudo-terminal") << "/dev/pts/3" << QString();
}

void SerialDiscoveryTest::sysfsDeviceLinks()
{
    QFETCH(QString, function);
    QFETCH(QString, device);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir dir(root.path());
    const auto place = [&](const QString &classEntry, const QString &target) {
        QVERIFY(dir.mkpath(classEntry));
        QVERIFY(dir.mkpath(target));
        QVERIFY(QFile::link(root.filePath(target), root.filePath(classEntry + "/device")));
    };
    const QString bus = QStringLiteral("devices/pci0000:00/usb1/");
    writeSysfsDevice(root, "devices/pci0000:00/usb1", "1d6b", "0002");
    writeSysfsDevice(root, bus + "1-1", "1209", "5130");
    writeSysfsDevice(root, bus + "1-2", "1209", "5130");
    writeSysfsDevice(root, bus + "1-3", "0403", "6001");
    place("class/sound/card1", bus + "1-1/1-1:1.0");
    place("class/tty/ttyACM0", bus + "1-1/1-1:1.2");
    place("class/sound/card2", bus + "1-2/1-2:1.0");
    place("class/tty/ttyUSB0", bus + "1-3/1-3:1.0/ttyUSB0");
    place("class/tty/ttyS0", "devices/platform/serial8250");
    QVERIFY(dir.mkpath("class/sound/card3"));
    QVERIFY(QFile::link(root.filePath("devices/gone"), root.filePath("class/sound/card3/device")));

    const SysfsUsbDeviceLocator locator(root.path());
    const QString found = function.startsWith("card") ? locator.deviceOfSoundCard(function.mid(4).toInt())
                                                      : locator.deviceOfSerialPort(function);
    QCOMPARE(found, device.isEmpty() ? QString() : QDir(root.filePath(device)).canonicalPath());
}

void SerialDiscoveryTest::portListFollowsTheDevices()
{
    ShownList shown;
    SerialPortListModel &list = shown.model;
    UsbDescriptionMap map;
    map.insert(UsbKey(0x5130, 0x1209), "TQR-30 Larkspur");
    map.insert(UsbKey(0x0001, 0x0403), "FT232R");
    QList<SerialPortEntry> ports{port("ttyACM0", 0x1209, 0x5130), port("ttyS0", 0, 0),
                                 port("ttyUSB0", 0x0403, 0x0001)};

    PortList::refresh(&list, map, ports);
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Larkspur=ttyACM0", "FT232R=ttyUSB0"}));

    // Unchanged: nothing duplicated or reordered.
    PortList::refresh(&list, map, ports);
    PortList::refresh(&list, map, ports);
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Larkspur=ttyACM0", "FT232R=ttyUSB0"}));

    // Removed at the next refresh; the user's choice stays on its entry.
    shown.box.setCurrentIndex(1);
    ports.removeFirst();
    PortList::refresh(&list, map, ports);
    QCOMPARE(texts(shown.box), (QStringList{"FT232R=ttyUSB0"}));
    QCOMPARE(shown.box.currentText(), QString("FT232R"));
    QCOMPARE(shown.box.currentData(Qt::UserRole).toString(), QString("ttyUSB0"));

    // Added behind what is there.
    ports.append(port("ttyACM0", 0x1209, 0x5130));
    PortList::refresh(&list, map, ports);
    QCOMPARE(texts(shown.box), (QStringList{"FT232R=ttyUSB0", "TQR-30 Larkspur=ttyACM0"}));

    // A port whose identity the lookup does not know is never listed.
    PortList::refresh(&list, UsbDescriptionMap(), ports);
    QCOMPARE(shown.box.count(), 0);
}

// Where the bus strings say nothing of the unit, Qt's description (from
// udev) may: it names the entry.
void SerialDiscoveryTest::portListTakesQtsDescriptionThatNamesTheUnit()
{
    ShownList shown;
    SerialPortListModel &list = shown.model;
    UsbDescriptionMap map;
    map.insert(UsbKey(0x5130, 0x1209), "USB Serial");
    SerialPortEntry named = port("ttyACM0", 0x1209, 0x5130);
    named.description = "TQR-30 Pro Larkspur";
    SerialPortEntry unknown = port("ttyACM1", 0x1234, 0x0001);
    unknown.description = "TQR-30B Loader";
    SerialPortEntry other = port("ttyUSB0", 0x0403, 0x6001);
    other.description = "FT232R USB UART";
    PortList::refresh(&list, map, {named, unknown, other});
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Pro Larkspur=ttyACM0", "TQR-30B Loader=ttyACM1"}));
}

void SerialDiscoveryTest::portListSharesOneDescription()
{
    ShownList shown;
    SerialPortListModel &list = shown.model;
    UsbDescriptionMap map;
    map.insert(UsbKey(0x5130, 0x1209), "TQR-30 Larkspur");
    map.insert(UsbKey(0x5132, 0x1209), "TQR-30 Larkspur");
    const QList<SerialPortEntry> ports{port("ttyACM0", 0x1209, 0x5130),
                                       port("ttyACM1", 0x1209, 0x5132)};
    PortList::refresh(&list, map, ports);
    PortList::refresh(&list, map, ports);
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Larkspur=ttyACM0"}));
}

void SerialDiscoveryTest::portListTakesANewPortName()
{
    // Re-plugged between two refreshes, the unit came back as another port.
    ShownList shown;
    SerialPortListModel &list = shown.model;
    UsbDescriptionMap map;
    map.insert(UsbKey(0x5130, 0x1209), "TQR-30 Larkspur");
    PortList::refresh(&list, map, {port("ttyACM0", 0x1209, 0x5130)});
    PortList::refresh(&list, map, {port("ttyACM1", 0x1209, 0x5130)});
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Larkspur=ttyACM1"}));
}

void SerialDiscoveryTest::findsEntriesByTag()
{
    ShownList shown;
    SerialPortListModel &list = shown.model;
    list.append("Larkspur TQR-30 Pro", "ttyACM0");
    list.append("TQR-30B Boot", "ttyACM1");
    QCOMPARE(PortList::findPortContaining(list, "TQR-30"), QString("ttyACM0"));
    QCOMPARE(PortList::findPortContaining(list, "TQR-30B"), QString("ttyACM1"));
    QCOMPARE(PortList::findPortContaining(list, "tqr-30"), QString());
}

// With several units of the series listed, the port paired is the one whose
// description names the model the MIDI port names; another model's port is
// never taken, and a unit in upgrade mode is not paired for normal use.
void SerialDiscoveryTest::picksTheConnectedUnitsPort_data()
{
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QString>("midiName");
    QTest::addColumn<int>("picked");
    const QStringList both{"TQR-30 Pro Larkspur", "TQR-30 Larkspur"};
    QTest::newRow("TQR-30 after a Pro") << both << "TQR-30" << 1;
    QTest::newRow("Pro before a TQR-30") << both << "TQR-30 Pro" << 0;
    QTest::newRow("MIDIOUT name") << both << "TQR-30 MIDIOUT2" << 1;
    QTest::newRow("only another model listed") << QStringList{"TQR-30 Pro Larkspur"} << "TQR-30" << -1;
    QTest::newRow("description names no model") << QStringList{"Larkspur TQR-30x"} << "TQR-30 Pro" << 0;
    QTest::newRow("unit in upgrade mode") << QStringList{"TQR-30B Boot", "TQR-30 Larkspur"} << "TQR-30" << 1;
    QTest::newRow("none of the series") << QStringList{"USB Serial"} << "TQR-30" << -1;
}

void SerialDiscoveryTest::picksTheConnectedUnitsPort()
{
    QFETCH(QStringList, descriptions);
    QFETCH(QString, midiName);
    QFETCH(int, picked);
    QList<PortList::Entry> entries;
    for (const QString &text : descriptions)
        entries.append({text, "tty" + QString::number(entries.size())});
    QCOMPARE(PortList::pickUnitEntry(entries, midiName), picked);
}

void SerialDiscoveryTest::registryRoundTripAndStaleEntries()
{
    QTemporaryDir dir;
    EmulatedPortRegistry registry(dir.filePath("serial"));
    PtyPeer pty;
    QVERIFY(pty.isOpen());

    EmulatedPortRegistry::Entry entry;
    entry.path = pty.slavePath();
    entry.vendorId = 0x1209;
    entry.productId = 0x5130;
    entry.description = "TQR-30 Pro Larkspur";
    entry.ownerPid = ::getpid();
    const QString file = registry.registerPort("unit-a", entry);
    QVERIFY(!file.isEmpty());
    QVERIFY(file.endsWith("unit-a.port"));

    QList<EmulatedPortRegistry::Entry> entries = registry.entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).path, pty.slavePath());
    QCOMPARE(entries.at(0).vendorId, 0x1209);
    QCOMPARE(entries.at(0).productId, 0x5130);
    QCOMPARE(entries.at(0).description, QString("TQR-30 Pro Larkspur"));

    // Left behind by a process that is gone, a node that is gone, or broken;
    // or naming something other than a pseudo-terminal, which the panel would
    // open and write to as if it were a unit. A link to a pty is one.
    EmulatedPortRegistry::Entry dead = entry;
    dead.ownerPid = 0x7ffffff0;
    registry.registerPort("dead-owner", dead);
    EmulatedPortRegistry::Entry gone = entry;
    gone.path = dir.filePath("no-such-pty");
    registry.registerPort("gone-node", gone);
    writeFile(dir.filePath("serial/broken.port"), "path=" + pty.slavePath().toUtf8() + "\nvendor=xyz\n");
    writeFile(dir.filePath("serial/other.txt"), EmulatedPortRegistry::format(entry));
    QTemporaryFile plain;
    QVERIFY(plain.open());
    for (const QString &notPty : {QString("/dev/tty"), QString("/dev/null"), plain.fileName()}) {
        if (!QFileInfo::exists(notPty))
            continue;
        EmulatedPortRegistry::Entry other = entry;
        other.path = notPty;
        registry.registerPort("not-a-pty-" + QFileInfo(notPty).fileName(), other);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Emulated-port registry: ignoring .*not a pseudo-terminal"));
    }
    EmulatedPortRegistry::Entry linked = entry;
    linked.path = dir.filePath("link-to-pty");
    QVERIFY(QFile::link(pty.slavePath(), linked.path));
    registry.registerPort("linked", linked);
    QCOMPARE(registry.entries().size(), 2);
    QVERIFY(EmulatedPortRegistry::unregisterPort(dir.filePath("serial/linked.port")));

    EmulatedPortRegistry::Entry parsed;
    QVERIFY(EmulatedPortRegistry::parse("# comment\n\n path = /dev/pts/3 \nvendor=04d8\n"
                                        "product=000A\ndescription=A = B\nextra=1\n",
                                        &parsed));
    QCOMPARE(parsed.path, QString("/dev/pts/3"));
    QCOMPARE(parsed.productId, 0x000a);
    QCOMPARE(parsed.description, QString("A = B"));
    QCOMPARE(parsed.ownerPid, qint64(0));
    QVERIFY(!EmulatedPortRegistry::parse("path=/x\nvendor=1\nproduct=10000\ndescription=d\n", &parsed));

    QVERIFY(EmulatedPortRegistry::unregisterPort(file));
    QCOMPARE(registry.entries().size(), 0);
}

// Another local user must not be able to plant a path the panel opens and
// writes to.
void SerialDiscoveryTest::registryIgnoresWhatOthersCouldPlant_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("nothing changed") << "";
    QTest::newRow("folder of another user") << "chown folder";
    QTest::newRow("holding folder of another user") << "chown parent";
    QTest::newRow("sticky holding folder of another user") << "chown sticky parent";
    QTest::newRow("folder group-writable") << "chmod folder";
    QTest::newRow("entry of another user") << "chown entry";
    QTest::newRow("entry others may write") << "chmod entry";
    QTest::newRow("entry is a link") << "link entry";
}

void SerialDiscoveryTest::registryIgnoresWhatOthersCouldPlant()
{
    QFETCH(QString, change);
    if (change.startsWith("chown") && ::getuid() != 0)
        QSKIP("giving a file to another user needs root");
    QTemporaryDir dir;
    const QString folder = dir.filePath("quill-tool-x/serial");
    EmulatedPortRegistry registry(folder);
    PtyPeer pty;
    EmulatedPortRegistry::Entry entry;
    entry.path = pty.slavePath();
    entry.vendorId = 0x1209;
    entry.productId = 0x5130;
    entry.description = "TQR-30 Pro Larkspur";
    const QString file = registry.registerPort("unit", entry);
    QVERIFY(!file.isEmpty());
    // Made private, both levels.
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
    QCOMPARE(QFileInfo(dir.filePath("quill-tool-x")).permissions() & 0x0077, QFileDevice::Permissions());

    const uid_t nobody = 65534;
    const QByteArray target = QFile::encodeName(change.endsWith("folder") ? folder
                                                : change.endsWith("parent") ? dir.filePath("quill-tool-x")
                                                                            : file);
    if (change.startsWith("chown"))
        QCOMPARE(::chown(target.constData(), nobody, nobody), 0);
    if (change.contains("sticky"))
        QCOMPARE(::chmod(target.constData(), 01777), 0);
    if (change == "chmod folder")
        QCOMPARE(::chmod(target.constData(), 0770), 0);
    else if (change == "chmod entry")
        QCOMPARE(::chmod(target.constData(), 0606), 0);
    else if (change == "link entry") {
        const QString elsewhere = dir.filePath("planted.port");
        QVERIFY(QFile::rename(file, elsewhere));
        QVERIFY(QFile::link(elsewhere, file));
    }
    if (!change.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Emulated-port registry: ignoring .*"));
    QCOMPARE(registry.entries().size(), change.isEmpty() ? 1 : 0);
    registry.entries(); // the reason is told once
}

void SerialDiscoveryTest::systemSourcesIncludeTheRegistry()
{
    QTemporaryDir dir;
    QTemporaryDir emptySysfs;
    EmulatedPortRegistry registry(dir.path());
    PtyPeer pty;
    EmulatedPortRegistry::Entry entry;
    entry.path = pty.slavePath();
    entry.vendorId = 0x1209;
    entry.productId = 0x5131;
    entry.description = "TQR-30B Boot";
    QVERIFY(!registry.registerPort("unit", entry).isEmpty());

    SysfsUsbDescriptionSource usb(emptySysfs.path(), &registry);
    SystemSerialPortCatalogue ports(&registry);
    ShownList shown;
    SerialPortListModel &list = shown.model;
    PortList::refresh(&list, usb.findUsbDeviceDescriptions("USB", QString(), false),
                      ports.availablePorts());
    const int index = shown.box.findText("TQR-30B Boot");
    QVERIFY(index >= 0);
    QCOMPARE(shown.box.itemData(index, Qt::UserRole).toString(), pty.slavePath());
}

void SerialDiscoveryTest::linkRefreshesItsListOnATimer()
{
    ShownList shown;
    InMemoryUsbDescriptionSource usb;
    InMemorySerialPortCatalogue ports;
    usb.addDevice(0x1209, 0x5130, "TQR-30 Larkspur");
    ports.addPort(port("ttyACM0", 0x1209, 0x5130));

    SerialPort link("Larkspur", &usb, &ports);
    shown.box.setModel(link.portList());
    // Filled at construction, before any tick.
    QCOMPARE(texts(shown.box), (QStringList{"TQR-30 Larkspur=ttyACM0"}));
    QCOMPARE(link.refreshTimer()->interval(), 2000);
    QVERIFY(link.refreshTimer()->isActive());

    ports.clear();
    link.refreshTimer()->setInterval(20);
    QTRY_COMPARE_WITH_TIMEOUT(shown.box.count(), 0, 2000);
    ports.addPort(port("ttyACM0", 0x1209, 0x5130));
    QTRY_COMPARE_WITH_TIMEOUT(shown.box.count(), 1, 2000);
}

void SerialDiscoveryTest::systemPortsAreWalkedAgainOnlyAfterADeviceChange()
{
    int walks = 0;
    quint64 stamp = 100;
    QList<SerialPortEntry> present{port("ttyACM0", 0x1209, 0x5130)};
    auto walk = [&] {
        ++walks;
        return present;
    };
    const int settleMs = 150;
    qint64 now = 100;
    SystemSerialPortCatalogue ports(nullptr, walk, [&] { return stamp; }, settleMs, [&] { return now; });
    QCOMPARE(ports.availablePorts().size(), 1);
    QCOMPARE(walks, 1);
    // udev may still be describing a device that just appeared.
    present[0].manufacturer = "Larkspur";
    QCOMPARE(ports.availablePorts().value(0).manufacturer, QString("Larkspur"));
    QCOMPARE(walks, 2);
    QTest::qWait(settleMs + 50);
    present.clear();
    QCOMPARE(ports.availablePorts().size(), 1); // nothing came or went: the last walk stands
    QCOMPARE(walks, 2);
    stamp = 101;
    QCOMPARE(ports.availablePorts().size(), 0);
    QCOMPARE(walks, 3);
    // Where the system gives no stamp, every listing walks.
    SystemSerialPortCatalogue unstamped(nullptr, walk, [] { return quint64(0); }, 0, [&] { return now; });
    unstamped.availablePorts();
    unstamped.availablePorts();
    QCOMPARE(walks, 5);
    // Started long after the last device came: the first walk stands.
    now = 3600;
    SystemSerialPortCatalogue settled(nullptr, walk, [&] { return stamp; }, 60000, [&] { return now; });
    settled.availablePorts();
    settled.availablePorts();
    QCOMPARE(walks, 6);
}

QTEST_MAIN(SerialDiscoveryTest)
#include "tst_serial_discovery.moc"
