#include "platform/windows_result_file.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <streambuf>

namespace orvex {

namespace {

// A run holds the turn for as long as it runs: about a second, several on a
// slow PC. Past a minute the other run has hung, and this one gives up.
constexpr ULONGLONG kTurnWaitMs = 60000;
constexpr DWORD kTurnPollMs = 50;

OVERLAPPED turnRange() {
    OVERLAPPED range = {};
    range.Offset = static_cast<DWORD>(kTurnOffset);
    range.OffsetHigh = static_cast<DWORD>(kTurnOffset >> 32);
    return range;
}

// Collects what it is given and writes it with one WriteFile on each flush:
// the report writer flushes every line, and the system puts each write of an
// append-only handle at the end of the file, so every line lands whole after
// whatever anyone wrote before it. After a failed write it takes nothing more.
class AppendOnlyBuffer final : public std::streambuf {
public:
    AppendOnlyBuffer() = default;
    AppendOnlyBuffer(const AppendOnlyBuffer&) = delete;
    AppendOnlyBuffer& operator=(const AppendOnlyBuffer&) = delete;
    ~AppendOnlyBuffer() override {
        if (file_ == INVALID_HANDLE_VALUE) return;
        sync();
        release();
    }

    bool open(const std::u16string& path) {
        // Read access only because a byte-range lock wants read or write
        // access to the data; write access would let writes go elsewhere
        // than the end. Sharing as the C runtime's fopen shares.
        file_ = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_READ_DATA | FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) return false;
        if (takeTurn()) return true;
        release();
        return false;
    }

protected:
    int_type overflow(int_type c) override {
        if (failed_) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (failed_) return 0;
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }

    int sync() override {
        const char* data = pending_.data();
        std::size_t left = failed_ ? 0 : pending_.size();
        while (left > 0) {
            // One write unless the system takes only part of it (a disk that fills up).
            DWORD written = 0;
            if (!WriteFile(file_, data, static_cast<DWORD>(left), &written, nullptr) || written == 0) {
                failed_ = true;
                break;
            }
            data += written;
            left -= written;
        }
        pending_.clear();
        return failed_ ? -1 : 0;
    }

private:
    // True when the turn is this run's; false when another run kept it for
    // the whole wait. A file whose system keeps no byte-range locks (a device,
    // some network file systems) is written without turns, as it always was.
    bool takeTurn() {
        const ULONGLONG deadline = GetTickCount64() + kTurnWaitMs;
        for (;;) {
            OVERLAPPED range = turnRange();
            if (LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kTurnBytes, 0, &range)) {
                locked_ = true;
                return true;
            }
            if (GetLastError() != ERROR_LOCK_VIOLATION) return true;
            if (GetTickCount64() >= deadline) return false;
            Sleep(kTurnPollMs);
        }
    }

    // The system would let the lock go with the handle, but it does so
    // whenever it gets round to it: the next run's turn comes sooner this way.
    void release() {
        if (locked_) {
            OVERLAPPED range = turnRange();
            UnlockFileEx(file_, 0, kTurnBytes, 0, &range);
            locked_ = false;
        }
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool locked_ = false;
    bool failed_ = false;
    std::string pending_;
};

class AppendOnlyStream final : public std::ostream {
public:
    AppendOnlyStream() : std::ostream(nullptr) { rdbuf(&buffer_); }
    bool open(const std::u16string& path) { return buffer_.open(path); }

private:
    AppendOnlyBuffer buffer_;
};

}  // namespace

std::unique_ptr<std::ostream> openResultFileInTurn(const std::u16string& path) {
    auto stream = std::make_unique<AppendOnlyStream>();
    if (!stream->open(path)) return nullptr;
    return stream;
}

}  // namespace orvex
