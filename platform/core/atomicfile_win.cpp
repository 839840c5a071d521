// The Windows half of replaceFile (atomicfile.cpp): the file API, whose
// errors come as system error codes.
#include "atomicfile_p.h"

#include <QDir>
#include <QFileInfo>

#include <qt_windows.h>

#include <string>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

QString systemReason(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason =
        length ? QString::fromWCharArray(text, length).trimmed() : u"error %1"_s.arg(code);
    if (text)
        ::LocalFree(text);
    return reason;
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

class Handle
{
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool isValid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    void reset(HANDLE handle)
    {
        close();
        m_handle = handle;
    }
    bool close()
    {
        if (!isValid())
            return true;
        const bool closed = ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

bool writeAt(HANDLE file, qint64 offset, const char *data, qint64 size, DWORD *error)
{
    while (size > 0) {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        const DWORD chunk = static_cast<DWORD>(qMin<qint64>(size, 1 << 20));
        DWORD written = 0;
        if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
            !::WriteFile(file, data, chunk, &written, nullptr)) {
            *error = ::GetLastError();
            return false;
        }
        if (written == 0) {
            *error = ERROR_DISK_FULL;
            return false;
        }
        data += written;
        offset += written;
        size -= written;
    }
    return true;
}

bool setSize(HANDLE file, qint64 size)
{
    LARGE_INTEGER at;
    at.QuadPart = size;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

// A virus scanner, the search indexer or the shell's preview of the folder
// may hold the file a moment after it was last written, without sharing it:
// they let go within a second or two, and a Save should not fail for them.
bool moveOver(const QString &temporary, const QString &target, DWORD *error)
{
    constexpr int kTries = 20;
    constexpr DWORD kPause = 100;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(native(temporary).c_str(), native(target).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        *error = ::GetLastError();
        // Windows says sharing violation or access denied for a file held
        // so; a file that stays read-only costs the user two seconds.
        if ((*error != ERROR_SHARING_VIOLATION && *error != ERROR_LOCK_VIOLATION &&
             *error != ERROR_ACCESS_DENIED) ||
            attempt == kTries)
            return false;
        ::Sleep(kPause);
    }
}

bool writeInPlace(const QString &target, const QByteArray &bytes, QString *reason)
{
    // The target has no links left in it: one that appears now is not followed.
    Handle file(::CreateFileW(native(target).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER oldSize;
    if (!file.isValid() || !::GetFileSizeEx(file.get(), &oldSize)) {
        *reason = systemReason(::GetLastError());
        return false;
    }
    // The same order as on other systems: see atomicfile_posix.cpp.
    const qint64 size = bytes.size();
    const qint64 kept = qMin<qint64>(oldSize.QuadPart, size);
    DWORD error = 0;
    if (size > oldSize.QuadPart &&
        (!writeAt(file.get(), kept, bytes.constData() + kept, size - kept, &error) ||
         !::FlushFileBuffers(file.get()))) {
        if (!error)
            error = ::GetLastError();
        setSize(file.get(), oldSize.QuadPart);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), kept, &error) ||
        !::FlushFileBuffers(file.get()) || !setSize(file.get(), size) ||
        !::FlushFileBuffers(file.get()) || !file.close()) {
        *reason = systemReason(error ? error : ::GetLastError());
        return false;
    }
    return true;
}

} // namespace

bool detail::replaceThroughTemporary(const QString &target, const QByteArray &bytes,
                                     QString *reason, LockedFolder lockedFolder)
{
    QString temporary;
    Handle file(INVALID_HANDLE_VALUE);
    DWORD error = 0;
    for (int attempt = 0; attempt < 8 && !file.isValid(); ++attempt) {
        temporary = temporaryName(target);
        file.reset(::CreateFileW(native(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file.isValid() ? 0 : ::GetLastError();
        if (error != ERROR_FILE_EXISTS)
            break;
    }
    if (!file.isValid()) {
        if (error == ERROR_ACCESS_DENIED && lockedFolder == LockedFolder::WriteInPlace &&
            QFileInfo(target).isFile())
            return writeInPlace(target, bytes, reason);
        *reason = systemReason(error);
        return false;
    }
    if (!writeAt(file.get(), 0, bytes.constData(), bytes.size(), &error) ||
        !::FlushFileBuffers(file.get()) || !file.close() || !moveOver(temporary, target, &error)) {
        if (!error)
            error = ::GetLastError();
        file.close();
        ::DeleteFileW(native(temporary).c_str());
        *reason = systemReason(error);
        return false;
    }
    return true;
}

} // namespace zol
