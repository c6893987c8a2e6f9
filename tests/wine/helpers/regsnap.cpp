// Saves the whole registry of the running Wine prefix, for the driver's
// check that a run changed nothing: regsnap DIR writes DIR\HKLM.txt and
// DIR\HKU.txt. HKEY_CLASSES_ROOT (Wine keeps it as HKLM\Software\Classes,
// its 32-bit view as HKLM\Software\Classes\Wow6432Node) and
// HKEY_CURRENT_USER are views into these two trees, so they are covered.
//
// RegSaveKey leaves volatile keys out. For HKEY_USERS, small enough to walk
// key by key, DIR\HKU-walk.txt lists every key as the API sees it (volatile
// ones included) with its last-write time and number of values. HKLM has
// some 16000 keys, which would take seconds to walk; its volatile keys
// (HARDWARE and the like) are not compared.
//
// RegSaveKey hands the whole tree to the wineserver in one request, which
// writes it in its own text format, with every key's last-write time; that is
// some forty times faster than "reg export" and also catches a key that was
// written with the value it already had. Volatile keys are not saved.
//
// The first process of a Wine session that touches the display makes Wine
// register the display adapter and monitor again (keys under
// HKLM\System\CurrentControlSet\Control\Class, ...\DeviceClasses and ...\Enum,
// with a fresh DriverDateData). regsnap touches the display before saving, so
// that this happens before the "before" snapshot and never counts as a change
// made by the program under test.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool enablePrivilege(const wchar_t* name) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

bool save(HKEY root, const std::wstring& path) {
    DeleteFileW(path.c_str());
    LONG status = RegSaveKeyW(root, path.c_str(), nullptr);
    if (status != ERROR_SUCCESS) {
        fwprintf(stderr, L"regsnap: RegSaveKey %ls failed with error %ld\n", path.c_str(), status);
        return false;
    }
    return true;
}

// One line per key: last-write time (FILETIME in hex), number of values, path
// in UTF-8.
void walk(HKEY parent, const std::wstring& name, const std::wstring& path, FILE* out) {
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8, sizeof(utf8) - 1, nullptr, nullptr);
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        fprintf(out, "unreadable %s\n", utf8);
        return;
    }
    DWORD values = 0;
    FILETIME written = {};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     &written);
    fprintf(out, "%08lx%08lx %lu %s\n", written.dwHighDateTime, written.dwLowDateTime, values, utf8);
    wchar_t child[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        walk(key, child, path.empty() ? child : path + L"\\" + child, out);
    }
    RegCloseKey(key);
}

bool walkUsers(const std::wstring& path) {
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out) {
        fwprintf(stderr, L"regsnap: cannot write %ls\n", path.c_str());
        return false;
    }
    walk(HKEY_USERS, L"", L"", out);
    return fclose(out) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: regsnap DIR\n");
        return 2;
    }
    if (!enablePrivilege(SE_BACKUP_NAME)) {
        fwprintf(stderr, L"regsnap: cannot enable the backup privilege\n");
        return 1;
    }
    GetSystemMetrics(SM_CXSCREEN);
    const std::wstring directory = argv[1];
    return save(HKEY_LOCAL_MACHINE, directory + L"\\HKLM.txt") && save(HKEY_USERS, directory + L"\\HKU.txt") &&
                   walkUsers(directory + L"\\HKU-walk.txt")
               ? 0
               : 1;
}
