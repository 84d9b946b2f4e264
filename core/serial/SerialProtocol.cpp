// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialProtocol.h"

namespace SerialProtocol {

namespace {
const QByteArray kCrLf("\r\n");
const QByteArray kModelMarker("TQR-");
const QByteArray kVersionMarker("\xAA\xCC\x06", 3);
const QByteArray kEraseEnd("ERASE END");
const QByteArray kReset("Reset");
constexpr int kStatusByte = 6;
} // namespace

QString normalModeTag()
{
    return QString::fromLatin1(UnitUsbNames::kBrandWord).right(4);
}

QByteArray commandFrame(quint8 code)
{
    QByteArray frame;
    frame.reserve(kFrameSize);
    frame.append(char(0xAA)).append(char(0xCC)).append(char(0x02)).append(char(0x00));
    frame.append(char(code)).append('\r').append('\n');
    return frame;
}

Reply parseReply(const QByteArray &bytes)
{
    Reply reply;
    reply.bytes = bytes;
    reply.identifies = bytes.size() > kStatusByte && bytes.at(kStatusByte) != 'o';
    const int model = bytes.indexOf(kModelMarker);
    if (model >= 0) {
        const int end = bytes.indexOf(kCrLf, model);
        if (end >= 0) {
            reply.hasModel = true;
            reply.model = QString::fromUtf8(bytes.mid(model, end - model));
        }
    } else {
        const int marker = bytes.indexOf(kVersionMarker);
        if (marker >= 0 && reply.identifies) {
            const int start = marker + kVersionMarker.size();
            const int end = bytes.indexOf(kCrLf, start);
            if (end >= 0) {
                reply.hasVersion = true;
                reply.version = QString::fromUtf8(bytes.mid(start, end - start));
            }
        }
    }
    reply.eraseEnd = bytes.contains(kEraseEnd);
    reply.acknowledgement = !reply.eraseEnd && bytes.size() == kFrameSize;
    reply.resetNotice = bytes.contains(kReset);
    return reply;
}

} // namespace SerialProtocol
