#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zol {

// Every message on the line, command or reply, is STX, a letter, data, ETX
// and one check character.
inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;

// Header letter and the count of data characters that follow, as sent.
inline constexpr char kVersionHeader[] = "V000";
inline constexpr char kProgramNameHeader[] = "X012";
inline constexpr char kClearNameHeader[] = "Y000";

inline constexpr int kUserNameLength = 12;
// STX, code, three characters, ETX, check: also the length of every reply
// but the version record.
inline constexpr int kShortestReply = 7;
// The version record, STX through check.
inline constexpr int kVersionReplyLength = 44;

// The exclusive-or of the bytes, lifted by 32 when it falls below 32 so that
// the check can never be mistaken for STX, ETX or another control character.
char checkCharacter(QByteArrayView bytes);

// STX, header, data, ETX and the check over all of them.
QByteArray buildCommandFrame(QByteArrayView header, QByteArrayView data = {});

// The name as the meter stores it: its Windows-1252 bytes, padded with spaces
// to exactly 12. The meter counts bytes, so the field is made to 12 bytes
// even when characters outside the code page shrank it, and a longer name is
// cut rather than overrunning the frame's declared length.
QByteArray userNameField(const QString &name);

// True when every character of the name reaches the meter as itself: one
// the code page holds, and no control character, which the meter would take
// for part of the frame around it. Programming happens once, so the name box
// refuses anything else rather than let a '?' be stored.
bool userNameCarried(const QString &name);

// The length of the reply at the head of what was received once it is
// whole, 0 while it is not. A reply starts at an STX and is at least the
// shortest one. It ends where its code says (7 bytes, 44 for the version
// record) when an ETX stands before that last byte, so that whatever the
// meter sends behind it in the same read is no part of it; otherwise where
// what has arrived ends with an ETX and one byte, for a reply of another
// length.
qsizetype replyLength(QByteArrayView received);

// True when the last byte of a complete reply is the check of all before it.
bool replyCheckRight(QByteArrayView reply);

} // namespace zol
