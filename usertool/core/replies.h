#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

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

// The characters at a 1-based position and length, or what the reply holds
// of them when it ends first.
QByteArray replyField(QByteArrayView reply, int position, int length);

// The five lines of a version reply, label and field, NUL shown as a space.
// A short reply still gives all five labels, with whatever it holds of each
// field.
QStringList versionLines(QByteArrayView reply);

} // namespace zol
