#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace zol {

// The receive buffer's length is held in a 16-bit counter.
inline constexpr int kMaxReceiveBuffer = 32767;

// Adds what the port delivered to the receive buffer. A reply can only start
// at an STX, so whatever stands ahead of the first one is line noise and is
// dropped; otherwise a single stray byte would keep every later reply from
// being recognised. Noise can be byte 2 as well: an STX whose next byte is no
// letter cannot start a reply, so it goes too, with everything up to the next
// STX. A letter the tool does not know still counts as a reply's code. A
// buffer that would outgrow its counter starts over with the new characters.
void appendReceived(QByteArray &buffer, QByteArrayView chunk);

// The whole reply at the head of the buffer, taken off it, or none yet. What
// came behind it stays for the next reply, resynchronised as by
// appendReceived.
std::optional<QByteArray> takeReply(QByteArray &buffer);

// True when the reply is the meter's answer to another of the tool's
// commands than the one sent: a version record to Program or Remove, OK or
// ERROR to Get serial. It answers an earlier command that timed out, and
// the command sent still waits for its own. Other codes answer none of the
// tool's commands and are taken as they come.
bool answersAnotherCommand(QByteArrayView reply, QByteArrayView command);

// What a reply says in the two log boxes: the lines for txtErrors ("CRC
// Error" first when its check is wrong, then what its code means) and for
// txtData (the version record's five lines).
struct ReplyReport
{
    QStringList errors;
    QStringList data;
};
ReplyReport replyReport(QByteArrayView reply);
// The same for a reply to an earlier command, each txtErrors line saying so.
ReplyReport lateReplyReport(QByteArrayView reply);

// The characters at a 1-based position and length, or what the reply holds
// of them when it ends first.
QByteArray replyField(QByteArrayView reply, int position, int length);

// The five lines of a version reply, label and field, NUL shown as a space.
// A short reply still gives all five labels, with whatever it holds of each
// field.
QStringList versionLines(QByteArrayView reply);

} // namespace zol
