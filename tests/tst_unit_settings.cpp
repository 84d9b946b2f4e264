// SPDX-License-Identifier: GPL-3.0-or-later
// A unit's settings as one value: the settings file, what a write would
// change, and the settings client reading and writing the built-in emulated
// unit through the panel's session.

#include "protocol/UnitSettingsFile.h"
#include "settings/UnitSettingsFileActions.h"
#include "support/BuiltInRig.h"
#include "unit/UnitSession.h"
#include "unit/UnitSettingsClient.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

UnitSettings otherSettings()
{
    UnitSettings s;
    s.addressing = UnitSettings::Addressing{false, "10.0.0.5", "255.255.0.0", "10.0.0.1"};
    UnitSettings::Osc osc;
    osc.localPort = 9100;
    osc.forward = true;
    osc.targets[1] = UnitSettings::OscTarget{"192.168.1.20", 9000};
    s.osc = osc;
    s.ports = UnitSettings::Ports{7000, 7001};
    s.offsetFrames = -3;
    return s;
}

QByteArray document(const QByteArray &settings, const QByteArray &head = R"("model": "TQR-30 Pro", "firmware": "V1.0.2")")
{
    return R"({"format": "quill-unit-settings", "version": 1, )" + head + R"(, "settings": )" + settings + "}";
}

QStringList texts(const QList<UnitSettings::Change> &changes)
{
    QStringList lines;
    for (const UnitSettings::Change &c : changes)
        lines << c.text();
    return lines;
}

using Client = UnitSettingsClient;

struct ClientRig : PanelTest::BuiltInRig
{
    explicit ClientRig(UnitMessages::Model model = UnitMessages::Model::Tqr30Pro)
        : BuiltInRig(model)
    {
    }
    Client *client() { return window.unitSession()->settings(); }

    // Runs a read to its end: the settings, or nothing and the failure in *failure.
    std::optional<UnitSettings> read(Client::Groups groups, Client::Failure *failure = nullptr)
    {
        QSignalSpy done(client(), &Client::readFinished);
        QSignalSpy failed(client(), &Client::failed);
        client()->read(groups);
        if (!QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, 8000) || done.isEmpty()) {
            if (failure && !failed.isEmpty())
                *failure = failed.first().first().value<Client::Failure>();
            return std::nullopt;
        }
        return done.first().first().value<UnitSettings>();
    }
    // Nothing when the write went through, else the failure.
    std::optional<Client::Failure> write(const UnitSettings &settings)
    {
        QSignalSpy done(client(), &Client::writeFinished);
        QSignalSpy failed(client(), &Client::failed);
        client()->write(settings);
        if (!QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, 8000))
            qFatal("the write never ended");
        if (!failed.isEmpty())
            return failed.first().first().value<Client::Failure>();
        return std::nullopt;
    }
};

} // namespace

class TestUnitSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<UnitSettings>(); }

    void fileRoundTrip()
    {
        UnitSettingsFile file{QStringLiteral("TQR-30 Pro"), QStringLiteral("V1.0.2"), otherSettings()};
        QString error;
        std::optional<UnitSettingsFile> back = UnitSettingsFile::fromJson(file.toJson(), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->model, file.model);
        QCOMPARE(back->firmware, file.firmware);
        QVERIFY(back->settings == file.settings);

        // DHCP with the addresses it reports, no OSC, no offset: the groups stay absent.
        file.settings.addressing->dhcp = true;
        file.settings.osc.reset();
        file.settings.offsetFrames.reset();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit.json"));
        QVERIFY(file.save(path, &error));
        back = UnitSettingsFile::load(path, &error);
        QVERIFY2(back, qPrintable(error));
        QVERIFY(back->settings == file.settings);
        QVERIFY(!back->settings.osc);
        QVERIFY(!UnitSettingsFile::load(dir.filePath(QStringLiteral("absent.json")), &error));
    }

    void badDocuments_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        QTest::newRow("not json") << QByteArray("{\"format\": ") << "not JSON";
        QTest::newRow("other format") << QByteArray(R"({"format": "x", "version": 1})") << "\"format\"";
        QTest::newRow("newer version")
            << QByteArray(R"({"format": "quill-unit-settings", "version": 2})") << "version 2 is newer";
        QTest::newRow("unknown key") << document(R"({"ports": {"udp": 1, "tcp": 2, "ssh": 3}})")
                                     << "settings.ports.ssh: unknown key";
        QTest::newRow("missing model")
            << QByteArray(R"({"format": "quill-unit-settings", "version": 1, "firmware": "", "settings": {}})")
            << "model: missing";
        QTest::newRow("unknown model") << document(R"({"offset": 1})", R"("model": "TQR-99", "firmware": "")")
                                       << "model: \"TQR-99\"";
        QTest::newRow("port 0") << document(R"({"ports": {"udp": 0, "tcp": 2}})") << "settings.ports.udp";
        QTest::newRow("port 70000") << document(R"({"ports": {"udp": 1, "tcp": 70000}})") << "settings.ports.tcp";
        QTest::newRow("port as text") << document(R"({"ports": {"udp": "1", "tcp": 2}})") << "settings.ports.udp";
        QTest::newRow("offset 16") << document(R"({"offset": 16})") << "settings.offset";
        QTest::newRow("offset 1.5") << document(R"({"offset": 1.5})") << "settings.offset";
        QTest::newRow("manual without gateway")
            << document(R"({"addressing": {"mode": "manual", "address": "10.0.0.5", "subnet": "255.0.0.0"}})")
            << "settings.addressing.gateway: missing";
        QTest::newRow("octet 256")
            << document(R"({"addressing": {"mode": "dhcp", "address": "10.0.0.256"}})") << "not an IP address";
        QTest::newRow("mask with a gap")
            << document(R"({"addressing": {"mode": "manual", "address": "10.0.0.5", "subnet": "255.0.255.0",
                            "gateway": "10.0.0.1"}})")
            << "subnet mask is invalid";
        QTest::newRow("gateway elsewhere")
            << document(R"({"addressing": {"mode": "manual", "address": "10.0.0.5", "subnet": "255.255.255.0",
                            "gateway": "10.0.1.1"}})")
            << "not in the same subnet";
        QTest::newRow("three targets") << document(R"({"osc": {"localPort": 1, "forward": true,
                                                        "targets": [null, null, null]}})")
                                       << "settings.osc.targets: must be a list of 4";
        QTest::newRow("target without port")
            << document(R"({"osc": {"localPort": 1, "forward": true, "targets": [null, {"address": "1.2.3.4"},
                            null, null]}})")
            << "settings.osc.targets[1].port: missing";
        QTest::newRow("no setting") << document("{}") << "holds no setting";
        QTest::newRow("key twice") << document(R"({"ports": {"udp": 1, "tcp": 2, "\u0075dp": 3}})")
                                   << "the key \"udp\" appears twice";
    }

    void badDocuments()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QString said;
        QVERIFY(!UnitSettingsFile::fromJson(json, &said));
        QVERIFY2(said.contains(error), qPrintable(said));
    }

    void changes()
    {
        UnitSettings current = otherSettings();
        UnitSettings wanted = otherSettings();
        QVERIFY(UnitSettings::changes(current, wanted).isEmpty());
        // Under DHCP the addresses are not written, so they do not count.
        current.addressing->dhcp = wanted.addressing->dhcp = true;
        wanted.addressing->address = QStringLiteral("10.9.9.9");
        wanted.ports->tcp = 7002;
        wanted.osc->targets[1].reset();
        current.offsetFrames.reset();
        QCOMPARE(texts(UnitSettings::changes(current, wanted)), (QStringList{"OSC Device2: 192.168.1.20:9000 -> (none) (no message clears it; it stays)",
                                     "TCP port: 7001 -> 7002", "Time offset: (unknown) -> -3"}));
    }

    void clientReadsWritesAndReadsBack()
    {
        ClientRig rig;
        QVERIFY(rig.connectUnit());
        const Client::Groups all = Client::Addressing | Client::Osc | Client::Ports | Client::Offset;
        QCOMPARE(rig.client()->supportedGroups(), all);
        std::optional<UnitSettings> before = rig.read(all);
        QVERIFY(before);
        QVERIFY(before->addressing && before->addressing->dhcp);
        QCOMPARE(before->addressing->address, QStringLiteral("192.168.61.112"));
        QCOMPARE(before->osc->localPort, quint16(8000));
        QVERIFY(!before->osc->targets[0]);
        QCOMPARE(before->ports->udp, quint16(5000));
        QVERIFY(!before->offsetFrames); // not reported since connecting

        const UnitSettings wanted = otherSettings();
        QCOMPARE(rig.write(wanted), std::nullopt);
        QCOMPARE(rig.network().oscTargets[1].port, 9000);
        QCOMPARE(rig.unit.unit()->offsetFrames(), -3);
        const std::optional<UnitSettings> after = rig.read(all);
        QVERIFY(after);
        QCOMPARE(texts(UnitSettings::changes(*after, wanted)), QStringList());
        // The acknowledgements were the client's: the OSC window opened no box.
        QVERIFY(rig.boxes.boxes.isEmpty());
    }

    void clientFailures_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<Client::Failure>("failure");
        const int pro = int(UnitMessages::Model::Tqr30Pro);
        QTest::newRow("refused") << pro << "fail" << Client::Failure::Refused;
        QTest::newRow("silent") << pro << "silent" << Client::Failure::NoAnswer;
        QTest::newRow("no OSC on a TQR-30") << int(UnitMessages::Model::Tqr30) << "" << Client::Failure::Unsupported;
    }

    void clientFailures()
    {
        QFETCH(int, model);
        QFETCH(QString, fault);
        QFETCH(Client::Failure, failure);
        ClientRig rig {UnitMessages::Model(model)};
        QVERIFY(rig.connectUnit());
        rig.client()->setTimeouts(300, 300);
        rig.unit.call([&](EmulatedUnit &u) {
            EmulatedUnit::Faults f;
            f.failAcks = fault == QLatin1String("fail");
            f.silent = fault == QLatin1String("silent");
            u.setFaults(f);
        });
        UnitSettings ports;
        ports.ports = UnitSettings::Ports{7000, 7001};
        QCOMPARE(rig.write(ports), failure);
        QVERIFY(!rig.client()->isBusy());
        QCOMPARE(rig.network().udpPort, 5000);
    }

    // The panel's Save and Load: the file, the question before writing, the
    // check after it, and a file that does not read.
    void panelSaveAndLoad()
    {
        ClientRig rig;
        QVERIFY(rig.connectUnit());
        MessageBoxRecorder boxes;
        QMenu menu;
        UnitSettingsFileActions actions(rig.window.unitSession(), &menu, &rig.window, &boxes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit.json"));
        actions.saveTo(path);
        QTRY_COMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].text.contains(QLatin1String("were saved to")), qPrintable(boxes.boxes[0].text));
        QString error;
        const std::optional<UnitSettingsFile> saved = UnitSettingsFile::load(path, &error);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(saved->model, QStringLiteral("TQR-30 Pro"));
        QCOMPARE(saved->settings.ports->udp, quint16(5000));

        UnitSettings other = otherSettings();
        other.addressing.reset();
        QCOMPARE(rig.write(other), std::nullopt);
        boxes.clear();
        boxes.answerNext(QMessageBox::Yes);
        actions.loadFrom(path);
        QTRY_COMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Question);
        QVERIFY2(boxes.boxes[0].text.contains(QLatin1String("UDP port: 7000 -> 5000")), qPrintable(boxes.boxes[0].text));
        // The file has no Device2, and no message clears the one set since.
        QCOMPARE(boxes.boxes[1].text,
                 QStringLiteral("The unit's settings now match unit.json, except:\n\n"
                                "OSC Device2: 192.168.1.20:9000 -> (none) (no message clears it; it stays)"));
        QCOMPARE(rig.network().udpPort, 5000);
        QCOMPARE(rig.network().oscLocalPort, 8000);

        boxes.clear();
        QFile bad(path);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(document(R"({"ports": {"udp": 1, "tcp": 99999}})"));
        bad.close();
        actions.loadFrom(path);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::Warning);
        QVERIFY2(boxes.boxes[0].text.contains(QLatin1String("settings.ports.tcp")), qPrintable(boxes.boxes[0].text));
        QVERIFY(actions.loadAction()->isEnabled());
    }
};

QTEST_MAIN(TestUnitSettings)
#include "tst_unit_settings.moc"
