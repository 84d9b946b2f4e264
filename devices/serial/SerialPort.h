// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/SerialReplySplitter.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

class QTimer;
class SerialPortCatalogue;
class SerialPortListModel;
class UsbDescriptionSource;

// The link to one unit's USB serial port. It keeps its port list current (a
// model that windows show), opens the chosen port, cuts what it receives into whole replies and turns
// each into signals and the ready-for-next flag. Callers write commands and
// image chunks themselves.
//
// A port that is gone (unplugged, its far end closed) is closed once, on the
// first error that says so, and portLost() tells; a hung-up tty reads 0 bytes
// with a stale errno, so the line itself is asked, not the error.
//
// While a firmware image is being written (imageExclusive) the port carries
// the image alone: commands are dropped with a trace, any other write is
// refused and reported by foreignWriteRefused(), and replies other than the
// acknowledgements and "ERASE END" are traced and ignored.
class SerialPort : public QSerialPort
{
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 2000;

    // brand is the description prefix handed to the USB lookup (with filtering
    // off). usb and ports may be null: the list then stays empty.
    SerialPort(const QString &brand, UsbDescriptionSource *usb, SerialPortCatalogue *ports,
               QObject *parent = nullptr);
    // Closes quietly while the members still exist: nobody is told of a link
    // that goes with its owner.
    ~SerialPort() override;

    // An empty name emits portNameError(); any other failure emits
    // openFailed() with a text that says what stands in the way (permissions,
    // another program). The window that offered the port tells the user.
    bool openPort(const QString &portName, int baudRate);
    // Why a port did not open, as far as the system tells.
    enum class OpenFailure { None, NoName, Permission, Busy, Missing, Other };
    // The same without any box: on failure *failure says why, *kind what kind.
    bool tryOpenPort(const QString &portName, int baudRate, QString *failure,
                     OpenFailure *kind = nullptr);

    void refreshPortList(bool logEachPort = false);
    SerialPortListModel *portList() const { return m_portList; }
    QTimer *refreshTimer() const { return m_refreshTimer; }

    // Set by the unit's 7-byte acknowledgement and by the start of a
    // transfer, cleared after each image chunk is written.
    bool readyForNext() const { return m_readyForNext; }
    void setReadyForNext(bool ready) { m_readyForNext = ready; }

    // Writes one command frame; a failure is logged and returns false, as
    // does a port that is closed, gone or carrying an image.
    bool writeCommand(quint8 code);

    void setImageExclusive(bool exclusive);
    bool imageExclusive() const { return m_imageExclusive; }
    // The only way bytes reach the port while it is image-exclusive.
    qint64 writeImage(const QByteArray &bytes);

    // Whether an error on an open port means the port is gone. hungUp: the
    // line reports a hang-up; transientErrno: the system call would have
    // blocked or was interrupted.
    static bool meansGone(QSerialPort::SerialPortError error, bool hungUp, bool transientErrno);

    // What the user is told when a port will not open. accessible says whether
    // the current user may read and write the device node at all.
    static QString openFailureText(QSerialPort::SerialPortError error, const QString &portName,
                                   const QString &errorString, bool accessible);
    static OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, bool accessible);

signals:
    // Every reply, whole, before the link acts on it.
    void showdata(const QByteArray &data);
    void send_vesion(const QString &version);
    void send_Brio(const QString &Brio);
    void send_erase(bool eraseflag);
    // An acknowledgement set the ready-for-next flag.
    void acknowledged();
    // The port went away and was closed; portName() still names it.
    void portLost();
    // Something other than the image tried to write while it was going out.
    void foreignWriteRefused();
    // openPort() was given no port name.
    void portNameError();
    // openPort() could not open the port; text says why, for the user.
    void openFailed(const QString &text);

protected:
    qint64 writeData(const char *data, qint64 maxSize) override;

private slots:
    void readDataSlot();

private:
    void handleReply(const QByteArray &bytes);
    void onError(QSerialPort::SerialPortError error);
    void closeLost();

    SerialPortListModel *m_portList;
    QString m_brand;
    UsbDescriptionSource *m_usb;
    SerialPortCatalogue *m_ports;
    bool m_readyForNext = false;
    bool m_imageExclusive = false;
    bool m_writingImage = false;
    bool m_lossPending = false;
    QTimer *m_refreshTimer;
    SerialReplySplitter m_splitter;
};
