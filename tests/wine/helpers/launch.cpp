// Starts a program with an exact command line, as a Windows shell or Explorer
// would, and returns the program's exit code.
//
// A command line typed on the Unix side reaches the program rewritten by Wine
// (its program path always becomes a backslash path), so the test driver hands
// the pieces over in the environment instead:
//   ORVEX_LAUNCH_APP      the program file (optional; without it the command
//                         line's first word names the program)
//   ORVEX_LAUNCH_CMDLINE  the command line, exactly as the program will see it
//   ORVEX_LAUNCH_CWD      the current directory for the program (optional)
// The three variables are removed before the program starts. Standard input,
// output and error are passed on unchanged.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool takeVariable(const wchar_t* name, std::wstring& value) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return false;
    std::vector<wchar_t> buffer(size);
    DWORD length = GetEnvironmentVariableW(name, buffer.data(), size);
    if (length == 0 || length >= size) return false;
    value.assign(buffer.data(), length);
    SetEnvironmentVariableW(name, nullptr);
    return true;
}

HANDLE inheritable(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

}  // namespace

int wmain() {
    std::wstring app, commandLine, directory;
    const bool hasApp = takeVariable(L"ORVEX_LAUNCH_APP", app);
    if (!takeVariable(L"ORVEX_LAUNCH_CMDLINE", commandLine)) {
        fwprintf(stderr, L"launch: ORVEX_LAUNCH_CMDLINE is not set\n");
        return 125;
    }
    const bool hasDirectory = takeVariable(L"ORVEX_LAUNCH_CWD", directory);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = inheritable(STD_ERROR_HANDLE);

    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(hasApp ? app.c_str() : nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        hasDirectory ? directory.c_str() : nullptr, &startup, &process)) {
        fwprintf(stderr, L"launch: CreateProcess failed with error %lu\n", GetLastError());
        return 125;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 125;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
