#include "update/SerialIdentity.h"

namespace {

const char kVersionMarker[] = "\xAA\xCC\x06";
const char kLineEnd[] = "\r\n";

// Bytes from `from` up to the next CR LF; nothing when the line is not terminated.
QString lineFrom(const QByteArray &chunk, int from)
{
    const int end = chunk.indexOf(kLineEnd, from);
    if (end < 0)
        return {};
    return QString::fromLatin1(chunk.mid(from, end - from));
}

} // namespace

SerialIdentity parseSerialIdentity(const QByteArray &chunk)
{
    SerialIdentity id;
    const int marker = chunk.indexOf(QByteArray(kVersionMarker, 3));
    const bool hasStatus = chunk.size() > 6;
    id.usable = hasStatus && chunk.at(6) != 'o';

    const int model = chunk.indexOf("TQR-");
    if (model >= 0) {
        id.hasModel = true;
        id.model = lineFrom(chunk, model);
    } else if (marker >= 0 && id.usable) {
        id.hasVersion = true;
        id.version = lineFrom(chunk, marker + 3);
    }
    return id;
}
