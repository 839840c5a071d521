#include "replies.h"

#include "codepage.h"
#include "frames.h"

#include <array>

namespace zol {

namespace {

struct VersionField
{
    const char16_t *label;
    int position;
    int length;
};

constexpr std::array<VersionField, 5> kVersionFields = {{
    {u"Meter: ", 6, 8},
    {u"Hardware: ", 14, 4},
    {u"Software: ", 18, 4},
    {u"Serial: ", 22, 8},
    {u"Battery status: ", 42, 1},
}};

// Every reply code is a letter; an STX followed by anything else is noise.
bool isReplyCode(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

void appendReceived(QByteArray &buffer, QByteArrayView chunk)
{
    if (chunk.size() > kMaxReceiveBuffer)
        chunk = chunk.last(kMaxReceiveBuffer);
    if (buffer.size() + chunk.size() > kMaxReceiveBuffer)
        buffer.clear();
    buffer.append(chunk);
    qsizetype start = buffer.indexOf(kStx);
    while (start >= 0 && start + 1 < buffer.size() && !isReplyCode(buffer.at(start + 1)))
        start = buffer.indexOf(kStx, start + 1);
    if (start < 0)
        buffer.clear();
    else if (start > 0)
        buffer.remove(0, start);
}

QByteArray replyField(QByteArrayView reply, int position, int length)
{
    if (position < 1 || length <= 0 || position > reply.size())
        return {};
    const qsizetype from = position - 1;
    return reply.sliced(from, qMin<qsizetype>(length, reply.size() - from)).toByteArray();
}

QStringList versionLines(QByteArrayView reply)
{
    QStringList lines;
    for (const VersionField &field : kVersionFields) {
        QString text = fromAnsi(replyField(reply, field.position, field.length));
        text.replace(QChar(u'\0'), u' ');
        lines.append(QString::fromUtf16(field.label) + text);
    }
    return lines;
}

} // namespace zol
