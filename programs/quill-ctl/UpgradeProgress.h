// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTextStream;

// The progress of a firmware transfer on the output: a bar redrawn in place
// on a terminal, else one "NN%" line each time the whole percentage grows.
class UpgradeProgress
{
public:
    static constexpr int kBarWidth = 40;

    UpgradeProgress(QTextStream &out, bool terminal);
    void show(qint64 sent, qint64 size);
    // The bar is left on its own line; a plain output gets its "100%".
    void finish();

    // "[#####     ]  50%" for a fraction of the width.
    static QString bar(qint64 sent, qint64 size, int width);

private:
    QTextStream &m_out;
    bool m_terminal;
    int m_lastPercent = -1;
};
