// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpgradeProgress.h"

#include <QTextStream>

namespace {
int percentOf(qint64 sent, qint64 size)
{
    return size <= 0 ? 0 : int(qBound<qint64>(0, sent * 100 / size, 100));
}
} // namespace

UpgradeProgress::UpgradeProgress(QTextStream &out, bool terminal)
    : m_out(out)
    , m_terminal(terminal)
{
}

QString UpgradeProgress::bar(qint64 sent, qint64 size, int width)
{
    const int filled = size <= 0 ? 0 : int(qBound<qint64>(0, sent * width / size, width));
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char(' '))
        + QStringLiteral("] %1%").arg(percentOf(sent, size), 3);
}

void UpgradeProgress::show(qint64 sent, qint64 size)
{
    const int percent = percentOf(sent, size);
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    if (m_terminal)
        m_out << '\r' << bar(sent, size, kBarWidth) << Qt::flush;
    else
        m_out << percent << '%' << Qt::endl;
}

void UpgradeProgress::finish()
{
    show(1, 1);
    if (m_terminal)
        m_out << Qt::endl;
}
