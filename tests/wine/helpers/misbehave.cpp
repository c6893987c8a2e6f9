// A stand-in for the tool that breaks every rule the test bed checks: it
// writes to the registry and the disk, rewrites the result file instead of
// appending, prints the wrong text and exits with 3. run_scenario.py selftest
// runs it to prove that the checks catch each of these.
#include <windows.h>

#include <cstdio>

int wmain() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\OrvexSelfTest", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        DWORD one = 1;
        RegSetValueExW(key, L"OrvexSelfTest", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
        RegCloseKey(key);
    }
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t* slash = wcsrchr(exe, L'\\');
    if (slash) {
        wcscpy(slash + 1, L"stray.txt");
        HANDLE file = CreateFileW(exe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        wcscpy(slash + 1, L"OrvexEnv.txt");
        file = CreateFileW(exe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, "x\r\n", 3, &written, nullptr);
            CloseHandle(file);
        }
    }
    std::puts("not the tool");
    return 3;
}
