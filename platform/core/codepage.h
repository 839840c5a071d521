#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace zol {

// Files, the serial line and the check code all work on bytes of the
// Windows ANSI code page 1252, one character per byte, whatever the host's
// own locale is: a file written on one machine must read the same on another.
QChar ansiToChar(unsigned char byte);
QString fromAnsi(const QByteArray &bytes);

// A character that code page 1252 cannot hold becomes '?', as the Windows
// conversion does; the caller then works on the bytes actually produced.
char charToAnsi(QChar ch);
QByteArray toAnsi(const QString &text);

// True when the character goes to a byte and comes back as itself, so that
// what the user saw is what a file or the meter keeps. Half of a surrogate
// pair never does: the pair as a whole has no byte.
bool ansiCanCarry(QChar ch);
bool ansiCanCarry(const QString &text);

} // namespace zol
