// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit/UnitSession.h"

#include "midi/MidiDriver.h"
#include "midi/MidiPortList.h"
#include "midi/QMidiOut.h"
#include "protocol/Identification.h"
#include "protocol/NetworkMessages.h"
#include "protocol/TrafficLog.h"
#include "serial/FirmwareTransfer.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "serial/SerialPortCatalogue.h"
#include "serial/SerialPortListModel.h"
#include "serial/SerialProtocol.h"
#include "serial/UnitUsbNames.h"
#include "serial/UsbDeviceLocator.h"
#include "unit/SerialPairing.h"
#include "unit/UnitSettingsClient.h"

#include <algorithm>
#include <QDebug>
#include <QRegularExpression>
#include <QTimer>

UnitSession::UnitSession(const Devices &devices, QObject *parent)
    : QObject(parent)
    , m_driver(devices.midi)
    , m_usbDevices(devices.usbDevices)
    , m_ports(devices.ports)
    , m_midi(new MidiConnection(devices.midi, this))
    , m_link(new SerialPort(QString::fromLatin1(UnitUsbNames::kBrandWord), devices.usb, devices.ports, this))
    , m_transfer(new FirmwareTransfer(m_link, FirmwareTransfer::Timing(), this))
    , m_settings(new UnitSettingsClient(this, this))
{
    qRegisterMetaType<UnitSession::State>();
    // Connected before anyone else hears of the connection: whoever does
    // finds the session's side already done.
    connect(m_midi, &MidiConnection::connected, this, &UnitSession::onConnected);
    connect(m_midi, &MidiConnection::disconnected, this, &UnitSession::onDisconnected);
    connect(m_midi, &MidiConnection::stateChanged, this, &UnitSession::updateState);
    connect(m_midi, &MidiConnection::inputPaired, this, [this] {
        // What the unit said before its input was open was not heard.
        m_midi->output()->sendLongMessage(Identification::identificationRequest());
    });

    connect(m_link, &SerialPort::showdata, this, &UnitSession::gatherUnitIdentity);
    connect(m_link, &SerialPort::portLost, this, &UnitSession::onSerialLost);
    // The port list is read afresh every tick; a unit's serial port that came
    // late or came back is paired then.
    connect(m_link->refreshTimer(), &QTimer::timeout, this, [this] {
        if (m_midi->isConnected() && wantsSerial() && !m_link->isOpen() && !upgrading()
            && !m_holdUpgradePort)
            pairSerial(false);
    });

    // Every erase this session writes is for its automatic upgrade.
    m_transfer->setAfterErase(FirmwareTransfer::AfterErase::StartSending);
    connect(m_transfer, &FirmwareTransfer::stateChanged, this, &UnitSession::onTransferStateChanged);
    connect(m_transfer, &FirmwareTransfer::finished, this, [this] { m_checkStarted = false; });
    connect(m_transfer, &FirmwareTransfer::failed, this, [this](const QString &message) {
        const bool enteringUpgradeMode = m_holdUpgradePort;
        m_holdUpgradePort = false;
        onTransferStateChanged();
        if (enteringUpgradeMode)
            emit upgradeModeFailed(message);
    });
    connect(m_transfer, &FirmwareTransfer::upgradePortOpened, this, [this](const QString &portName) {
        if (m_holdUpgradePort)
            emit upgradeModeReady(portName);
    });
}

UnitSession::~UnitSession() = default;

// Receiving -------------------------------------------------------------------

void UnitSession::receive(const QByteArray &message)
{
    qCDebug(lcMidiTraffic).noquote() << "MIDI in:" << message.toHex(' ').toUpper() << "length" << message.size();

    // 1. Model identification; the reply still goes on to everyone below.
    quint8 deviceClass = 0;
    quint8 model = 0;
    if (Identification::parseFeedbackDeviceType(message, deviceClass, model)) {
        const bool tqrClass = deviceClass == Identification::kTqrDeviceClass;
        m_product = tqrClass ? Identification::productForModel(deviceClass, model) : QString();
        emit identified(m_product, tqrClass);
    }
    if (m_settings->takeMessage(message))
        return;

    auto offer = [&message](const std::function<void(const QByteArray &)> &to) {
        if (to)
            to(message);
    };
    // 2., 3. The OSC and UDP/TCP windows' feedback.
    offer(m_feedback.osc);
    offer(m_feedback.udp);
    // 4. Time code, source and rate reports.
    offer(m_feedback.timecode);
    // 5. The OSC acknowledgement belongs to the OSC window alone.
    if (NetworkMessages::isAckMessage(message)) {
        offer(m_feedback.oscAck);
        return;
    }
    // 6. The offset window's feedback; 7. the unit is talking; 8. IP feedback.
    offer(m_feedback.offset);
    if (m_feedback.messageSeen)
        m_feedback.messageSeen();
    offer(m_feedback.ip);
}

void UnitSession::gatherUnitIdentity(const QByteArray &chunk)
{
    const SerialProtocol::Reply reply = SerialProtocol::parseReply(chunk);
    if (reply.eraseEnd || reply.acknowledgement || reply.resetNotice)
        return;
    if (reply.hasModel)
        m_model = reply.model;
    else if (reply.hasVersion)
        m_version = reply.version;
    if (m_checkStarted || m_model.isNull() || m_version.isNull() || !reply.identifies)
        return;
    m_checkStarted = true;
    emit unitIdentified(m_model, m_version);
}

void UnitSession::forgetSerialIdentity()
{
    m_model = QString();
    m_version = QString();
}

// Connecting ------------------------------------------------------------------

void UnitSession::choose(const QString &label)
{
    m_midi->choose(label);
}

void UnitSession::sendConnectSequence(const QString &startField, FrameRate rate)
{
    m_midi->sendConnectSequence(startField, rate);
}

bool UnitSession::upgrading() const
{
    // Erased counts: between "ERASE END" and the first chunk the port is the image's.
    return m_transfer->state() != FirmwareTransfer::State::Idle;
}

bool UnitSession::wantsSerial() const
{
    // Of the family, only the TQR-30 series has a serial port.
    static const QRegularExpression withoutSerial(QStringLiteral("TQR-[12]0(?![0-9])"));
    const QString label = m_midi->connectedOutputLabel();
    return label.contains(QLatin1String("TQR")) && !label.contains(withoutSerial);
}

void UnitSession::onConnected(const QString &label, bool again)
{
    m_product.clear();
    m_settings->forgetUnit();
    m_checkStarted = false;
    forgetSerialIdentity();
    m_reenumerating = false;
    m_toldNoPort = false;
    m_toldOpenFailure = false;
    // A replugged unit may be on another card under the same port id.
    m_usbDeviceOutputId.clear();
    pairSerial(true);
    emit connected(label, again);
    updateState();
}

void UnitSession::onDisconnected(const QString &label, MidiConnection::Loss loss)
{
    m_product.clear();
    m_settings->forgetUnit();
    m_checkStarted = false;
    forgetSerialIdentity();
    m_reenumerating = false;
    emit disconnected(label, loss);
    updateState();
}

void UnitSession::pairSerial(bool fresh)
{
    const QString label = m_midi->connectedOutputLabel();
    if (!wantsSerial()) {
        // Another unit's link must not stay open for this one.
        if (m_link->isOpen() && !upgrading() && !m_holdUpgradePort)
            m_link->close();
        m_pairedPort.clear();
        return;
    }
    if (upgrading() || m_holdUpgradePort) {
        if (!m_pairingDeferred)
            qWarning().noquote() << "Serial pairing for" << label << "waits: the unit is being upgraded";
        m_pairingDeferred = true;
        return;
    }
    // The list may be two seconds old, and a replugged unit's port renamed.
    if (fresh)
        m_link->refreshPortList();
    const QString unitDevice = unitUsbDevice();
    QList<SerialPairing::Port> present;
    if (!unitDevice.isEmpty() && m_ports) {
        for (const SerialPortEntry &port : m_ports->availablePorts())
            present.append({port.portName, m_usbDevices->deviceOfSerialPort(port.portName)});
    }
    const QString unitName = MidiPortList::portBaseName(label);
    const SerialPairing::Choice entry =
        SerialPairing::choose(unitName, unitDevice, present, m_link->portList()->entries());
    if (entry.reason != SerialPairing::Reason::SameUsbDevice && unitsLike(unitName) > 1) {
        // Units of one model describe their serial ports alike: by name, this
        // unit could be handed another's port, and an upgrade would go there.
        if (!m_toldNoPort)
            qWarning().noquote() << "Serial port not paired for" << label << ": several units are like"
                                 << unitName << "and the system does not say which serial port is whose";
        m_toldNoPort = true;
        return;
    }
    if (entry.portName.isEmpty()) {
        if (!m_toldNoPort)
            qWarning().noquote() << "No serial port of a TQR-30 unit is listed for" << label;
        m_toldNoPort = true;
        return;
    }
    if (m_link->isOpen() && m_link->portName() != entry.portName) {
        qDebug().noquote() << "Serial link leaves" << m_link->portName() << "for" << entry.portName;
        m_link->close();
    }
    if (m_link->isOpen()) {
        qWarning().noquote() << m_link->portName() << "is connecting";
    } else {
        QString why;
        SerialPort::OpenFailure kind = SerialPort::OpenFailure::None;
        if (!m_link->tryOpenPort(entry.portName, SerialProtocol::kBaudRate, &why, &kind)) {
            qWarning().noquote() << "Serial link did not open on" << entry.portName << ":" << why;
            // A port still listed but already gone is tried again at the next
            // tick; what the user must act on is said once.
            const bool userCanAct =
                kind == SerialPort::OpenFailure::Permission || kind == SerialPort::OpenFailure::Busy;
            if (userCanAct && !m_toldOpenFailure) {
                m_toldOpenFailure = true;
                emit serialOpenFailed(why);
            }
            return;
        }
    }
    m_pairedPort = entry.portName;
    m_reenumerating = false;
    const QString shown = entry.text.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(entry.text);
    const QString where =
        entry.reason == SerialPairing::Reason::SameUsbDevice ? QLatin1Char(' ') + unitDevice : QString();
    qDebug().noquote() << QStringLiteral("Serial port %1%2 paired with %3 %4%5")
                              .arg(entry.portName, shown, label, SerialPairing::reasonText(entry.reason), where);
    emit serialPaired(entry.portName, entry.text);
    m_link->writeCommand(SerialProtocol::QueryModel);
    updateState();
}

int UnitSession::unitsLike(const QString &unitName) const
{
    const QString model = PortList::seriesModelIn(unitName);
    const QStringList labels = m_midi->outputs().labels;
    return int(std::count_if(labels.cbegin(), labels.cend(), [&](const QString &label) {
        const QString name = MidiPortList::portBaseName(label);
        return model.isEmpty() ? name == unitName : PortList::seriesModelIn(name) == model;
    }));
}

QString UnitSession::unitUsbDevice()
{
    const QString outputId = m_midi->connectedOutputId();
    if (!m_usbDevices || !m_driver || outputId.isEmpty())
        return QString();
    if (outputId != m_usbDeviceOutputId) {
        m_usbDeviceOutputId = outputId;
        const std::optional<int> card = m_driver->soundCardOf(outputId);
        m_usbDevice = card ? m_usbDevices->deviceOfSoundCard(*card) : QString();
        if (!m_usbDevice.isEmpty())
            qDebug().noquote() << m_midi->connectedOutputLabel() << "is on USB device" << m_usbDevice;
    }
    return m_usbDevice;
}

void UnitSession::onSerialLost()
{
    // The old port vanishing is what preparing for an upgrade asks for.
    const FirmwareTransfer::State transferState = m_transfer->state();
    if (transferState == FirmwareTransfer::State::Preparing
        || transferState == FirmwareTransfer::State::FindingUpgradePort)
        return;
    qDebug().noquote() << "Serial half of the unit lost; waiting for its port to return";
    m_pairedPort.clear();
    m_holdUpgradePort = false;
    m_checkStarted = false;
    forgetSerialIdentity();
    // A held upgrade-mode port that vanished ends the upgrade as well.
    onTransferStateChanged();
}

void UnitSession::noteSerialError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::NoError)
        qDebug().noquote() << "Serial error" << error << "on" << m_link->portName();
}

// Upgrading -------------------------------------------------------------------

void UnitSession::startFirmwareUpgrade(const QByteArray &image)
{
    m_holdUpgradePort = false;
    m_transfer->startAutomaticUpgrade(image);
}

void UnitSession::enterUpgradeMode()
{
    m_holdUpgradePort = true;
    if (!m_transfer->startUpgradeMode())
        m_holdUpgradePort = false;
    updateState();
}

void UnitSession::releaseUpgradePort()
{
    if (!m_holdUpgradePort)
        return;
    m_holdUpgradePort = false;
    if (!upgrading() && m_link->isOpen())
        m_link->close();
    onTransferStateChanged();
}

void UnitSession::onTransferStateChanged()
{
    const bool busy = upgrading();
    if (busy || m_holdUpgradePort) {
        if (busy)
            m_pairedPort.clear();
        m_wasUpgrading = true;
        updateState();
        return;
    }
    if (m_wasUpgrading) {
        m_wasUpgrading = false;
        // A written unit restarts, a failed one is left for the user: either
        // way its normal-mode port is found afresh.
        if (m_link->isOpen())
            m_link->close();
        // What the port said before the image is not what the restarted
        // unit will say: the next identity is gathered afresh.
        forgetSerialIdentity();
        m_reenumerating = m_midi->isConnected() && wantsSerial();
        if (m_pairingDeferred)
            qDebug() << "The upgrade is over; the serial port is paired when the unit's normal port is listed";
        m_pairingDeferred = false;
    }
    updateState();
}

void UnitSession::updateState()
{
    State now;
    if (upgrading() || m_holdUpgradePort)
        now = State::Upgrading;
    else if (!m_midi->isConnected())
        now = m_midi->awaitedName().isEmpty() ? State::Absent : State::Lost;
    else if (m_reenumerating)
        now = State::Reenumerating;
    else if (m_midi->inputMissing() || (wantsSerial() && !m_link->isOpen()))
        now = State::Connecting;
    else
        now = State::Connected;
    if (now == m_state)
        return;
    qDebug() << "Unit session:" << m_state << "->" << now;
    m_state = now;
    emit stateChanged(now);
}
