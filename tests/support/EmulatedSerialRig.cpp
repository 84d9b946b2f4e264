// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/EmulatedSerialRig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

EmulatedSerialRig::EmulatedSerialRig(UnitMessages::Model model, const QString &firmwareVersion)
    : unit(model, firmwareVersion)
    , link(&unit, registry.path())
{
}

bool EmulatedSerialRig::reopen()
{
    port.close();
    port.setPortName(link.portPath());
    port.setBaudRate(115200);
    return port.open(QIODevice::ReadWrite);
}

bool EmulatedSerialRig::powerOnAndOpen()
{
    unit.powerOn();
    return reopen();
}

QByteArray EmulatedSerialRig::readSome(int expected, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < expected && timer.elapsed() < timeoutMs) {
        QTest::qWait(5);
        got += port.readAll();
    }
    return got;
}

QStringList EmulatedSerialRig::registryTexts() const
{
    const QDir dir(registry.path());
    QStringList texts;
    for (const QString &name : dir.entryList({QStringLiteral("*.port")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::ReadOnly);
        texts << QString::fromUtf8(file.readAll());
    }
    return texts;
}
