#include "registry.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

namespace {

// Key and value names as the export spells them, so that lookups reach what
// the parser kept and not only misses.
void collectNames(const QByteArray &text, QList<QByteArray> *keys, QList<QByteArray> *values)
{
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            const QByteArray path = line.mid(1, line.size() - 2);
            const qsizetype slash = path.indexOf('\\');
            if (slash > 0)
                keys->append(path.mid(slash + 1));
        } else if (line.startsWith('"')) {
            const qsizetype close = line.indexOf('"', 1);
            if (close > 0)
                values->append(line.mid(1, close - 1));
        }
    }
    values->append(QByteArray()); // the default value, "@"
}

} // namespace

// Whatever an export file holds, every key opened can be queried with any
// buffer without a read or write outside it, the reported size keeps its
// promise, and every handle given out is given back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint32_t bufferSize = data[0] % 48;
    const QByteArray text(reinterpret_cast<const char *>(data + 1),
                          static_cast<qsizetype>(size - 1));
    zol::RegistryFile registry = zol::RegistryFile::fromText(text);

    QList<QByteArray> keys, values;
    collectNames(text, &keys, &values);
    if (keys.size() > 8)
        keys.resize(8);
    if (values.size() > 8)
        values.resize(8);

    for (const QByteArray &key : keys) {
        for (zol::Registry::Key root :
             {zol::Registry::kLocalMachine, zol::Registry::kCurrentUser}) {
            zol::Registry::Key handle = 0;
            if (registry.openKey(root, key, 0x20019, &handle) != zol::Registry::kSuccess)
                continue;
            for (const QByteArray &value : values) {
                std::uint32_t type = 0;
                std::uint32_t reported = 0;
                QByteArray buffer(static_cast<qsizetype>(bufferSize), '\x55');
                const long rc = registry.queryValue(handle, value, &type, &buffer, &reported);
                if (buffer.size() != static_cast<qsizetype>(bufferSize))
                    std::abort();
                if (rc == zol::Registry::kSuccess && reported > bufferSize)
                    std::abort();
                if (rc == zol::Registry::kMoreData && reported <= bufferSize)
                    std::abort();
            }
            if (registry.closeKey(handle) != zol::Registry::kSuccess)
                std::abort();
        }
    }
    if (registry.openHandleCount() != 0)
        std::abort();
    return 0;
}
