#include "registry.h"

#include "codepage.h"

#include <algorithm>

namespace zol {

bool readKeyValue(Registry &registry, Registry::Key root, const QString &keyName,
                  const QString &valueName, QString &value)
{
    // Room for the longest path the value can hold, as the system allots it.
    constexpr std::uint32_t kBufferSize = 1024;

    Registry::Key hKey = 0;
    // The key is closed on every way out, also when opening failed and when
    // the value turns out to be unusable.
    struct Closer
    {
        Registry &registry;
        Registry::Key &key;
        ~Closer() { registry.closeKey(key); }
    } closer{registry, hKey};

    const QByteArray ansiKeyName = toAnsi(keyName);
    long rc = registry.openKey(root, ansiKeyName, kRegistryKeyAccess, &hKey);
    // Since Windows asks for elevation before it grants write access to the
    // machine's keys, ordinary users only get to read them.
    if (rc == Registry::kAccessDenied) {
        hKey = 0;
        rc = registry.openKey(root, ansiKeyName, kRegistryKeyRead, &hKey);
    }
    if (rc != Registry::kSuccess) {
        hKey = 0;
        value.clear();
        return false;
    }

    QByteArray tmpVal(kBufferSize, '\0');
    std::uint32_t size = kBufferSize;
    std::uint32_t type = 0;
    rc = registry.queryValue(hKey, toAnsi(valueName), &type, &tmpVal, &size);
    if (rc != Registry::kSuccess) {
        value.clear();
        return false;
    }

    // The reported size counts characters of the buffer; the last one is the
    // closing zero when the value was stored with it. There is no character
    // at position 0, nor beyond the buffer.
    const QString buffer = fromAnsi(tmpVal);
    if (size == 0 || size > static_cast<std::uint32_t>(buffer.size()))
        throw RegistryValueError{};
    const qsizetype length = size;
    const QString cut =
        buffer.at(length - 1).unicode() == 0 ? buffer.left(length - 1) : buffer.left(length);

    switch (type) {
    case Registry::kTypeString:
        value = cut;
        break;
    case Registry::kTypeDword: {
        // Little-endian, as the system stores it.
        quint32 number = 0;
        for (qsizetype i = std::min<qsizetype>(length, 4) - 1; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(tmpVal.at(i));
        value = QString::number(number);
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace zol
