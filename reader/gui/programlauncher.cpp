#include "programlauncher.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#endif

namespace zol {

bool QtProgramLauncher::start(const QString &path)
{
    if (path.isEmpty())
        return false;
    QProcess process;
#ifdef Q_OS_WIN
    process.setProgram(path);
    // QProcess would quote a program path that holds spaces; the system is
    // to see the path itself as the command line. CreateProcess may write
    // into the command line it is handed, so it gets a copy of its own, which
    // lives until startDetached() has returned.
    std::wstring commandLine = path.toStdWString();
    process.setCreateProcessArgumentsModifier(
        [&commandLine](QProcess::CreateProcessArguments *arguments) {
            arguments->arguments = commandLine.data();
            arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
            arguments->startupInfo->wShowWindow = SW_SHOWNORMAL;
        });
#else
    // A text that names a file is that file, spaces and all, as a path from
    // the registry is. The desktop's system information program may need
    // arguments, and the registry's stand-in then gives a command line.
    if (QFileInfo(path).isFile()) {
        process.setProgram(path);
    } else {
        QStringList words = QProcess::splitCommand(path);
        if (words.isEmpty())
            return false;
        process.setProgram(words.takeFirst());
        process.setArguments(words);
    }
#endif
    return process.startDetached();
}

bool isOrdinaryFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || info.isHidden())
        return false;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_SYSTEM))
        return false;
#endif
    return true;
}

} // namespace zol
