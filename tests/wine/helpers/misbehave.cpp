// A stand-in for the tool that breaks every rule the test bed checks: it
// writes to the registry (HKLM, HKEY_CLASSES_ROOT in both views, a volatile
// key in the user's hive) and the disk (a new file, Windows attributes of its
// own exe), rewrites the result file instead of appending, prints the wrong
// text and exits with 3. run_scenario.py selftest runs it to prove that the
// checks catch each of these.
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
    // HKEY_CLASSES_ROOT: a signing component's registration, native and 32-bit view.
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{5D1C0E42-9A7B-4F36-8C21-7E0B3A94D615}\\InprocServer32", 0, nullptr,
                        0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const wchar_t path[] = L"C:\\OrvexSelfTest.dll";
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof(path));
        RegCloseKey(key);
    }
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{B3E7A190-6D2C-4A85-B1F4-93C0E25D7A18}", 0, nullptr, 0,
                        KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    // A volatile key, which a saved registry leaves out.
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\OrvexSelfTestVolatile", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    // Attributes only (no new size or time), on its own copy: the prefix's
    // other files are hard links shared with the pristine prefix.
    SetFileAttributesW(exe, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
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
