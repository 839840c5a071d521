#include "frames.h"
#include "replies.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <optional>

// The bytes the meter sends, cut into reads by the fuzzer's first byte, go
// through the tool's receive buffer and reply checks. The buffer stays within
// its counter and starts at an STX followed by a letter, a whole reply is at
// least the shortest one and is taken off the head of the buffer with what
// follows it kept, and a version reply of any length gives its five lines. Reads past a
// reply's end are left to the address sanitizer to catch.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int chunkSize = 1 + data[0] % 32;
    const QByteArray line(reinterpret_cast<const char *>(data + 1),
                          static_cast<qsizetype>(size - 1));

    QByteArray buffer;
    for (qsizetype at = 0; at < line.size(); at += chunkSize) {
        zol::appendReceived(
            buffer, QByteArrayView(line).sliced(at, qMin<qsizetype>(chunkSize, line.size() - at)));
        if (buffer.size() > zol::kMaxReceiveBuffer)
            std::abort();
        if (!buffer.isEmpty() && buffer.front() != zol::kStx)
            std::abort();
        if (buffer.size() > 1) {
            const char code = buffer.at(1);
            if (!(code >= 'a' && code <= 'z') && !(code >= 'A' && code <= 'Z'))
                std::abort();
        }
        const qsizetype length = zol::replyLength(buffer);
        if (length == 0)
            continue;
        if (length < zol::kShortestReply || length > buffer.size())
            std::abort();
        const QByteArray before = buffer;
        const std::optional<QByteArray> reply = zol::takeReply(buffer);
        if (!reply || *reply != before.first(length))
            std::abort();
        const bool right = zol::replyCheckRight(*reply);
        if (right != (zol::checkCharacter(QByteArrayView(*reply).chopped(1)) == reply->back()))
            std::abort();
        if (zol::versionLines(*reply).size() != 5)
            std::abort();
        // What followed the reply is kept, from its first possible reply on.
        if (buffer.size() > before.size() - length ||
            (!buffer.isEmpty() && !before.endsWith(buffer)))
            std::abort();
    }

    // A reply cut short anywhere still gives its five lines, and a field
    // asked for beyond the end is never longer than what is there.
    for (qsizetype cut = 0; cut <= qMin<qsizetype>(line.size(), 64); ++cut) {
        const QByteArrayView reply = QByteArrayView(line).first(cut);
        if (zol::versionLines(reply).size() != 5)
            std::abort();
        const int position = 1 + static_cast<int>(cut % 40);
        const QByteArray field = zol::replyField(reply, position, 20);
        if (field.size() > 20 || field.size() > qMax<qsizetype>(0, reply.size() - position + 1))
            std::abort();
    }
    return 0;
}
