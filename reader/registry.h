#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace zol {

// The few registry calls the About dialog needs, with the raw bytes and value
// types of the Windows API, so that the lookup logic above them is the same on
// every platform.
class Registry
{
public:
    using Key = std::uintptr_t;
    static constexpr Key kLocalMachine = 0x80000002u;
    static constexpr std::uint32_t kTypeString = 1; // REG_SZ
    static constexpr std::uint32_t kTypeDword = 4;  // REG_DWORD
    static constexpr long kSuccess = 0;

    virtual ~Registry() = default;

    virtual long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                         Key *result) = 0;
    // data holds the buffer on entry (its size is the buffer size) and the
    // bytes read on return; size is set to the reported data size in bytes.
    virtual long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type,
                            QByteArray *data, std::uint32_t *size) = 0;
    virtual long closeKey(Key key) = 0;
};

} // namespace zol
