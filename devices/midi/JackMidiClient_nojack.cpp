// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/JackMidiClient.h"

// Where JACK is not linked (Windows, macOS) the driver never asks for this
// client, since its graph is never open; it stays closed.
JackMidiClient::JackMidiClient(const QString &) {}

JackMidiClient::~JackMidiClient() = default;

QString JackMidiClient::inputPort()
{
    return QString();
}

void JackMidiClient::setInputSink(MidiInputSink *) {}

JackMidiClient::Output *JackMidiClient::addOutput()
{
    return nullptr;
}

QString JackMidiClient::outputPort(const Output *) const
{
    return QString();
}

bool JackMidiClient::queue(Output *, const QByteArray &)
{
    return false;
}

void JackMidiClient::removeOutput(Output *) {}
