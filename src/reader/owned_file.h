// The owner of every file the reader opens: the result files and lists it
// reads, the page and its spool files it writes. A file is closed when its
// owner goes; close() closes it sooner where the closing's result matters
// (the last of a written file reaches the disk then).
#pragma once

#include <cerrno>
#include <cstdio>
#include <memory>

namespace orvex::reader {

class OwnedFile {
public:
    OwnedFile() = default;
    explicit OwnedFile(std::FILE* file) : file_(file) {}

    std::FILE* get() const { return file_.get(); }
    explicit operator bool() const { return file_ != nullptr; }

    // Closes the file now: 0, or the system's error number when what was
    // written to it could not all be written.
    int close() {
        if (!file_) return 0;
        const int closed = std::fclose(file_.release());
        return closed == 0 ? 0 : errno != 0 ? errno : EIO;
    }

private:
    struct Closer {
        void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace orvex::reader
