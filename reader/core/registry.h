#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <map>

namespace zol {

// The few registry calls the About dialog needs, with the raw bytes and value
// types of the Windows API, so that the lookup logic above them is the same on
// every platform.
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

// A registry read from a registry export file ("REGEDIT4" in the ANSI code
// page, or "Windows Registry Editor Version 5.00", usually UTF-16 with a byte
// order mark). It stands in for the system registry where there is none.
// Key and value names are matched without regard to case, as the system does.
// Lines it does not understand are passed over; a file it cannot read, or one
// without either first line, holds no keys.
class RegistryFile final : public Registry
{
public:
    RegistryFile(); // reads defaultPath()
    explicit RegistryFile(const QString &path);

    static RegistryFile fromText(const QByteArray &bytes);

    // ZOL_REGISTRY when it is set, else zolprint/registry.reg under the user's
    // configuration folder.
    static QString defaultPath();

    long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                 Key *result) override;
    long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type, QByteArray *data,
                    std::uint32_t *size) override;
    long closeKey(Key key) override;

    int keyCount() const { return static_cast<int>(m_keys.size()); }
    int openHandleCount() const { return static_cast<int>(m_handles.size()); }

private:
    struct Value
    {
        std::uint32_t type = 0;
        QByteArray data;
    };
    using Values = QHash<QString, Value>; // by lower-case value name ("" is the default)

    void parse(const QByteArray &bytes);
    bool keyExists(const QString &path) const;

    // Full key paths in lower case, "hkey_local_machine\software\...".
    std::map<QString, Values> m_keys;
    std::map<Key, QString> m_handles;
    Key m_nextHandle = 1;
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
// with value empty, when the key or value cannot be read (or there is no
// registry); a value reported with no data at all throws RegistryValueError.
// The key is closed on every way out.
bool readKeyValue(Registry *registry, Registry::Key root, const QString &keyName,
                  const QString &valueName, QString &value);

} // namespace zol

#ifdef Q_OS_WIN
namespace zol {

// The system registry, through advapi32.
class WindowsRegistry final : public Registry
{
public:
    long openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                 Key *result) override;
    long queryValue(Key key, const QByteArray &valueName, std::uint32_t *type, QByteArray *data,
                    std::uint32_t *size) override;
    long closeKey(Key key) override;
};

using SystemRegistry = WindowsRegistry;

} // namespace zol
#else
namespace zol {
using SystemRegistry = RegistryFile;
}
#endif
