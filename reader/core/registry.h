#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace zol {

// The few registry calls the About dialog needs, with the raw bytes and value
// types of the Windows API, so that the lookup logic above them (readKeyValue)
// is the same whichever registry answers.
class Registry
{
public:
    using Key = std::uintptr_t;
    static constexpr Key kClassesRoot = 0x80000000u;
    static constexpr Key kCurrentUser = 0x80000001u;
    static constexpr Key kLocalMachine = 0x80000002u;
    static constexpr Key kUsers = 0x80000003u;
    static constexpr Key kCurrentConfig = 0x80000005u;

    static constexpr std::uint32_t kTypeString = 1;       // REG_SZ
    static constexpr std::uint32_t kTypeExpandString = 2; // REG_EXPAND_SZ
    static constexpr std::uint32_t kTypeBinary = 3;       // REG_BINARY
    static constexpr std::uint32_t kTypeDword = 4;        // REG_DWORD

    static constexpr long kSuccess = 0;
    static constexpr long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
    static constexpr long kAccessDenied = 5;  // ERROR_ACCESS_DENIED
    static constexpr long kInvalidHandle = 6; // ERROR_INVALID_HANDLE
    static constexpr long kMoreData = 234;    // ERROR_MORE_DATA

    virtual ~Registry() = default;

    // subKey is in the ANSI code page; on success *result is a handle that
    // closeKey() gives back.
    virtual long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                         Key *result) = 0;
    // *data is the caller's buffer: its size on entry is the buffer size, and
    // it keeps that size. The value's bytes are copied to its start and *size
    // is set to their number. A value larger than the buffer fails with
    // kMoreData and *size set to what it would need. A string value counts
    // its closing zero, as the system stores it.
    virtual long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type,
                            QByteArray *data, std::uint32_t *size) = 0;
    virtual long closeKey(Key key) = 0;
};

// A value that the registry reports with no data at all.
struct RegistryValueError
{
};

// The access readKeyValue asks for first, and the read-only access it falls
// back to when that is refused.
constexpr std::uint32_t kRegistryKeyAccess = 0x2003F;
constexpr std::uint32_t kRegistryKeyRead = 0x20019;

// Reads a string or number value the way the About dialog needs it: false,
// with value empty, when the key or value cannot be read; a value reported
// with no data at all throws RegistryValueError. The key is closed on every
// way out.
bool readKeyValue(Registry &registry, Registry::Key root, const QString &keyName,
                  const QString &valueName, QString &value);

// The system's registry: advapi32's on Windows (registry_win.cpp). Other
// systems have none, and a stand-in answers the two lookups of System Info
// from what the desktop has (registry_posix.cpp): "PATH" under
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO is the
// command of the desktop's own system information program where one is
// installed, and no other key or value exists.
class SystemRegistry final : public Registry
{
public:
    long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                 Key *result) override;
    long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type, QByteArray *data,
                    std::uint32_t *size) override;
    long closeKey(Key key) override;
};

} // namespace zol
