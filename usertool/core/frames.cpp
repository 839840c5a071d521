#include "frames.h"

#include "codepage.h"

namespace zol {

char checkCharacter(QByteArrayView bytes)
{
    unsigned char check = 0;
    for (char byte : bytes)
        check ^= static_cast<unsigned char>(byte);
    if (check < 32)
        check += 32;
    return static_cast<char>(check);
}

QByteArray buildCommandFrame(QByteArrayView header, QByteArrayView data)
{
    QByteArray frame;
    frame.reserve(header.size() + data.size() + 3);
    frame.append(kStx);
    frame.append(header);
    frame.append(data);
    frame.append(kEtx);
    frame.append(checkCharacter(frame));
    return frame;
}

QByteArray userNameField(const QString &name)
{
    QByteArray field = toAnsi(name).left(kUserNameLength);
    if (field.size() < kUserNameLength)
        field.append(kUserNameLength - field.size(), ' ');
    return field;
}

bool userNameCarried(const QString &name)
{
    for (QChar ch : name) {
        if (ch.category() == QChar::Other_Control || !ansiCanCarry(ch))
            return false;
    }
    return true;
}

qsizetype replyLength(QByteArrayView received)
{
    const qsizetype n = received.size();
    if (n < kShortestReply || received.at(0) != kStx)
        return 0;
    qsizetype expected = 0;
    switch (received.at(1)) {
    case 'o':
    case 'f':
    case 'w':
        expected = kShortestReply;
        break;
    case 'v':
        expected = kVersionReplyLength;
        break;
    default:
        break;
    }
    if (expected > 0 && n >= expected && received.at(expected - 2) == kEtx)
        return expected;
    return received.at(n - 2) == kEtx ? n : 0;
}

bool replyCheckRight(QByteArrayView reply)
{
    if (reply.isEmpty())
        return false;
    return checkCharacter(reply.first(reply.size() - 1)) == reply.back();
}

} // namespace zol
