// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// Cuts the unit's serial byte stream into replies, whatever the read
// boundaries: a USB serial adapter splits one reply over two reads and joins
// several into one as it likes.
//
// Where a reply ends, first rule that matches, at the front of what is held:
//   1. AA CC, three bytes, CR LF: a 7-byte frame shaped like the command
//      frames (the acknowledgement), even when its middle holds CR LF. What
//      starts with AA CC waits for seven bytes before any other rule.
//   2. Bytes before an AA CC that comes ahead of the first CR LF are no reply
//      of their own (noise, or a remnant of a reply cut by a reopened port):
//      dropped with a trace, unless they hold "ERASE END".
//   3. Up to and including the first CR LF: a text reply (model, version,
//      "ERASE END", a reset notice, a 7-byte acknowledgement).
//   4. No CR LF yet: "ERASE END" counts as soon as it is complete, for a unit
//      that ends it without a line end; a CR LF coming later is an empty line
//      and ignored.
//   5. A read of exactly seven bytes that finds nothing held, holds no CR LF
//      and does not start a known text reply ("TQR-", AA CC 06, "ERASE",
//      "Reset") is one reply on its own: a unit whose acknowledgement has no
//      line end sends it that way.
// What is held never grows past kMaxHeld bytes: a longer stretch without a
// reply end is dropped with a trace, and so is a text reply longer than that.
class SerialReplySplitter
{
public:
    static constexpr int kMaxHeld = 256;

    // The complete replies that these bytes finish, in order.
    QList<QByteArray> feed(const QByteArray &bytes);
    void clear() { m_held.clear(); }
    int heldSize() const { return m_held.size(); }

private:
    // Takes one reply off the front of m_held into *reply; false when what
    // is held is not complete yet. Sets *dropped for bytes that are no reply.
    bool takeOne(QByteArray *reply, bool *dropped);

    QByteArray m_held;
};
