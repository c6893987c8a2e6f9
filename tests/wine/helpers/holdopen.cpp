// Holds a file open the way another program would, until it is killed:
//   holdopen FILE MODE READY
// MODE "share" opens it for reading and lets others read and write (a log
// viewer); "deny-write" lets others only read, so no one can open it for
// writing. READY is created once the file is open, for the driver to wait on.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fwprintf(stderr, L"usage: holdopen FILE share|deny-write READY\n");
        return 2;
    }
    DWORD share = 0;
    if (wcscmp(argv[2], L"share") == 0) {
        share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    } else if (wcscmp(argv[2], L"deny-write") == 0) {
        share = FILE_SHARE_READ;
    } else {
        fwprintf(stderr, L"holdopen: unknown mode %ls\n", argv[2]);
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"holdopen: cannot open %ls: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    HANDLE ready = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
