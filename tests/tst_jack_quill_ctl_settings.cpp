// SPDX-License-Identifier: GPL-3.0-or-later
// quill-ctl's settings commands end to end: the programs as a person runs
// them, tqr-emulator and quill-ctl, over the JACK server that scripts/test
// starts.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A tqr-emulator on JACK until it goes out of scope.
class Emulator
{
public:
    Emulator(const QProcessEnvironment &environment, const QStringList &arguments)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(QUILL_EMULATOR_PATH), QStringList{"--midi-api", "jack"} + arguments);
    }
    ~Emulator()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Its MIDI ports and serial port are up.
    bool ready()
    {
        return QTest::qWaitFor([this] {
            m_output += m_process.readAll();
            return m_output.contains(" on JACK as ") && m_output.contains("Serial port /");
        }, 10000);
    }
    QByteArray output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};

} // namespace

class TestJackQuillCtlSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        m_environment = QProcessEnvironment::systemEnvironment();
        // The emulator announces its serial port where quill-ctl looks. A PipeWire
        // server keeps its socket in the runtime folder being replaced: point its
        // clients there explicitly.
        const QString runtime = m_environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
        if (!runtime.isEmpty() && !m_environment.contains(QStringLiteral("PIPEWIRE_RUNTIME_DIR")))
            m_environment.insert(QStringLiteral("PIPEWIRE_RUNTIME_DIR"), runtime);
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    }

    void backupRestoreAndRefusal()
    {
        const QString file = m_runtime.filePath(QStringLiteral("unit.json"));
        {
            Emulator unit(m_environment, {});
            QVERIFY2(unit.ready(), unit.output().constData());
            QCOMPARE(ctl({"backup", file}), 0);
        }
        {
            Emulator other(m_environment, {"-s", "udp-port=7000", "-s", "osc-forward=on", "-s", "ip-mode=manual",
                                           "-s", "ip-address=10.0.0.5", "-s", "subnet=255.255.0.0", "-s",
                                           "gateway=10.0.0.1"});
            QVERIFY2(other.ready(), other.output().constData());
            QCOMPARE(ctl({"get", "udp"}), 0);
            QCOMPARE(m_out, QByteArray("udp-port: 7000\ntcp-port: 6000\n"));
            QCOMPARE(ctl({"restore", file}), 0);
            QCOMPARE(m_out, QByteArray("IP mode: manual -> DHCP\nOSC forward: on -> off\nUDP port: 7000 -> 5000\n"));
            QCOMPARE(ctl({"get", "ip"}), 0);
            QVERIFY2(m_out.startsWith("mode: dhcp\n"), m_out.constData());
        }
        {
            Emulator refusing(m_environment, {"--fail"});
            QVERIFY2(refusing.ready(), refusing.output().constData());
            QCOMPARE(ctl({"set", "udp", "7000", "7001"}), 1);
            QVERIFY2(m_err.contains("refused the UDP port"), m_err.constData());
        }
    }

private:
    // quill-ctl on JACK; its exit code, what it printed in m_out and m_err.
    int ctl(const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QStringLiteral(QUILL_CTL_PATH), QStringList{"--midi-api", "jack"} + arguments);
        if (!process.waitForFinished(30000))
            qFatal("quill-ctl did not end");
        m_out = process.readAllStandardOutput();
        m_err = process.readAllStandardError();
        if (process.exitCode() != 0)
            qWarning().noquote() << "quill-ctl" << arguments.join(' ') << "said:" << m_err;
        return process.exitCode();
    }

    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment;
    QByteArray m_out;
    QByteArray m_err;
};

QTEST_MAIN(TestJackQuillCtlSettings)
#include "tst_jack_quill_ctl_settings.moc"
