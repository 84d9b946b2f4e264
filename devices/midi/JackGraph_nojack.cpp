// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/JackGraph.h"

// Where JACK is not linked (Windows, macOS): the graph is never open, so the
// driver keeps to RtMidi's own system and names.
JackGraph::JackGraph() = default;

JackGraph::~JackGraph() = default;

QStringList JackGraph::midiPorts(bool) const
{
    return {};
}

QStringList JackGraph::clientNames() const
{
    return {};
}

QStringList JackGraph::aliasesOf(const QString &) const
{
    return {};
}

bool JackGraph::isPipeWire()
{
    return false;
}

quint64 JackGraph::clientIdOf(const QString &) const
{
    return 0;
}

quint64 JackGraph::portIdOf(const QString &) const
{
    return 0;
}

bool JackGraph::connect(const QString &, const QString &) const
{
    return false;
}

bool JackGraph::disconnect(const QString &, const QString &) const
{
    return false;
}

bool JackGraph::isConnected(const QString &, const QString &) const
{
    return false;
}
