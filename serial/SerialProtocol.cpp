#include "serial/SerialProtocol.h"

namespace SerialProtocol {

namespace {
const QByteArray kCrLf("\r\n");
const QByteArray kModelMarker("TQR-");
const QByteArray kVersionMarker("\xAA\xCC\x06", 3);
const QByteArray kEraseEnd("ERASE END");
const QByteArray kReset("Reset");
} // namespace

QByteArray commandFrame(quint8 code)
{
    QByteArray frame;
    frame.reserve(kFrameSize);
    frame.append(char(0xAA)).append(char(0xCC)).append(char(0x02)).append(char(0x00));
    frame.append(char(code)).append('\r').append('\n');
    return frame;
}

Reply parseReply(const QByteArray &chunk)
{
    Reply reply;
    const int model = chunk.indexOf(kModelMarker);
    if (model >= 0) {
        const int end = chunk.indexOf(kCrLf, model);
        if (end >= 0) {
            reply.hasModel = true;
            reply.model = QString::fromUtf8(chunk.mid(model, end - model));
        }
    } else {
        const int marker = chunk.indexOf(kVersionMarker);
        if (marker >= 0) {
            const int start = marker + kVersionMarker.size();
            const int end = chunk.indexOf(kCrLf, start);
            if (end >= 0) {
                reply.hasVersion = true;
                reply.version = QString::fromUtf8(chunk.mid(start, end - start));
            }
        }
    }
    reply.eraseEnd = chunk.contains(kEraseEnd);
    reply.acknowledgement = !reply.eraseEnd && chunk.size() == kFrameSize;
    reply.resetNotice = chunk.contains(kReset);
    return reply;
}

} // namespace SerialProtocol
