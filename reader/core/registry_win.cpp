#include "registry.h"

#include <windows.h>

namespace zol {

namespace {

// The predefined roots are sign-extended handles on 64-bit Windows, so
// 0x80000002 itself is not HKEY_LOCAL_MACHINE there.
HKEY toHandle(Registry::Key key)
{
    switch (key) {
    case Registry::kClassesRoot:
        return HKEY_CLASSES_ROOT;
    case Registry::kCurrentUser:
        return HKEY_CURRENT_USER;
    case Registry::kLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case Registry::kUsers:
        return HKEY_USERS;
    case Registry::kCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    default:
        return reinterpret_cast<HKEY>(key);
    }
}

} // namespace

long SystemRegistry::openKey(Key root, const QByteArray &subKey, std::uint32_t accessMask,
                             Key *result)
{
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(toHandle(root), subKey.constData(), 0, accessMask, &opened);
    if (result)
        *result = reinterpret_cast<Key>(opened);
    return status;
}

long SystemRegistry::queryValue(Key key, const QByteArray &valueName, std::uint32_t *type,
                                QByteArray *data, std::uint32_t *size)
{
    DWORD valueType = 0;
    DWORD dataSize = data ? static_cast<DWORD>(data->size()) : 0;
    const LONG status =
        RegQueryValueExA(toHandle(key), valueName.constData(), nullptr, &valueType,
                         data ? reinterpret_cast<LPBYTE>(data->data()) : nullptr, &dataSize);
    if (type)
        *type = valueType;
    if (size)
        *size = dataSize;
    return status;
}

long SystemRegistry::closeKey(Key key)
{
    return RegCloseKey(toHandle(key));
}

} // namespace zol
