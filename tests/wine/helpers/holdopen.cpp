// Holds a file open the way another program would, until it is killed:
//   holdopen FILE MODE READY
// MODE "share" opens it for reading and lets others read and write (a log
// viewer); "deny-write" lets others only read, so no one can open it for
// writing. READY is created once the file is open, for the driver to wait on.
//
// Or takes a run's turn at a result file as another run of the tool would:
//   holdopen FILE turn READY SECONDS
// opens (or creates) it as the tool does, holds the tool's own turn lock for
// SECONDS from the creation of READY, then lets go and ends: with 0 when the
// file did not grow meanwhile, 3 when someone wrote to it during the turn.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "platform/windows_result_file.h"

namespace {

bool createReady(const wchar_t* path) {
    HANDLE ready = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return false;
    CloseHandle(ready);
    return true;
}

int holdTurn(const wchar_t* path, const wchar_t* ready, DWORD seconds) {
    HANDLE file = CreateFileW(path, FILE_READ_DATA | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"holdopen: cannot open %ls: error %lu\n", path, GetLastError());
        return 1;
    }
    OVERLAPPED range = {};
    range.Offset = static_cast<DWORD>(orvex::kTurnOffset);
    range.OffsetHigh = static_cast<DWORD>(orvex::kTurnOffset >> 32);
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, orvex::kTurnBytes, 0, &range)) {
        fwprintf(stderr, L"holdopen: cannot take the turn at %ls: error %lu\n", path, GetLastError());
        return 1;
    }
    LARGE_INTEGER before = {}, after = {};
    GetFileSizeEx(file, &before);
    if (!createReady(ready)) return 1;
    Sleep(seconds * 1000);
    GetFileSizeEx(file, &after);
    UnlockFileEx(file, 0, orvex::kTurnBytes, 0, &range);
    CloseHandle(file);
    if (after.QuadPart != before.QuadPart) {
        fwprintf(stderr, L"holdopen: %lu bytes were written to %ls while this turn was held\n",
                 static_cast<unsigned long>(after.QuadPart - before.QuadPart), path);
        return 3;
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && wcscmp(argv[2], L"turn") == 0) return holdTurn(argv[1], argv[3], wcstoul(argv[4], nullptr, 10));
    if (argc != 4) {
        fwprintf(stderr, L"usage: holdopen FILE share|deny-write READY, or holdopen FILE turn READY SECONDS\n");
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
    if (!createReady(argv[3])) return 1;
    Sleep(INFINITE);
    return 0;
}
