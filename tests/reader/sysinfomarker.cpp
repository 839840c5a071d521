// Stands in for System Information on Windows: writes the command line it
// was started with into "started" beside itself, so that a test sees that
// the launcher reached it and what it was handed.
#include <windows.h>

int main()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    wchar_t *slash = path + length;
    while (slash > path && *slash != L'\\')
        --slash;
    lstrcpyW(slash + 1, L"started");
    const HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const wchar_t *commandLine = GetCommandLineW();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, commandLine,
                              static_cast<DWORD>(lstrlenW(commandLine) * sizeof(wchar_t)),
                              &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
