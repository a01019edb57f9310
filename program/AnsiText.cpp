#include "AnsiText.h"

#include <QStringEncoder>

namespace {
const char *const AnsiCodec = "GB18030";
// GB18030 spends at most four bytes on one UTF-16 unit (a surrogate pair
// takes four bytes for two units).
constexpr int kMaxBytesPerUnit = 4;
} // namespace

QString CutToAnsiBytes(const QString &text, int maxBytes)
{
    if (text.size() * qsizetype(kMaxBytesPerUnit) <= maxBytes)
        return text;
    QStringEncoder encoder(AnsiCodec);
    if (QByteArray(encoder.encode(text)).size() <= maxBytes)
        return text;
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype len = text.at(end).isHighSurrogate() && end + 1 < text.size()
                                  && text.at(end + 1).isLowSurrogate() ? 2 : 1;
        QStringEncoder one(AnsiCodec);
        const int size = int(QByteArray(one.encode(QStringView(text).mid(end, len))).size());
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += len;
    }
    return text.left(end);
}
