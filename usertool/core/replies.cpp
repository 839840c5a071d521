#include "replies.h"

#include "codepage.h"
#include "frames.h"

#include <array>

using namespace Qt::StringLiterals;

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

std::optional<QByteArray> takeReply(QByteArray &buffer)
{
    const qsizetype length = replyLength(buffer);
    if (length == 0)
        return std::nullopt;
    QByteArray reply = buffer.first(length);
    const QByteArray rest = buffer.sliced(length);
    buffer.clear();
    appendReceived(buffer, rest);
    return reply;
}

bool answersAnotherCommand(QByteArrayView reply, QByteArrayView command)
{
    if (reply.size() < 2 || command.size() < 2)
        return false;
    const char sent = command.at(1);
    switch (reply.at(1)) {
    case 'v':
        return sent != kVersionHeader[0];
    case 'o':
    case 'f':
        return sent == kVersionHeader[0];
    default:
        return false;
    }
}

ReplyReport replyReport(QByteArrayView reply)
{
    ReplyReport report;
    if (!replyCheckRight(reply))
        report.errors.append(u"CRC Error"_s);
    switch (reply.size() > 1 ? reply.at(1) : '\0') {
    case 'o':
        report.errors.append(u"OK received from ZOL"_s);
        break;
    case 'f':
        report.errors.append(u"ERROR received from ZOL"_s);
        break;
    case 'w':
        report.errors.append(u"Curve programming OK"_s);
        break;
    case 'v':
        report.errors.append(u"Version received from ZOL"_s);
        report.data = versionLines(reply);
        break;
    default:
        report.errors.append(u"Unknown reply from ZOL"_s);
        break;
    }
    return report;
}

ReplyReport lateReplyReport(QByteArrayView reply)
{
    ReplyReport report = replyReport(reply);
    for (QString &line : report.errors)
        line.prepend(u"Late reply to an earlier command: "_s);
    return report;
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
