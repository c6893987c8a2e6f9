// What waits beside the page until the last file is read: the grid's rows
// and the files' sections, each in a file of its own (PAGE.grid.tmp,
// PAGE.files.tmp), so that memory holds one file's runs whatever the number
// of files. At the end the page is put together from them, and they go.
#pragma once

#include <string>
#include <vector>

#include "reader/owned_file.h"

namespace orvex::reader {

// The files the spool of the page at path makes beside it.
std::vector<std::string> pageSpoolFiles(const std::string& path);

class PageSpool {
public:
    PageSpool() = default;
    PageSpool(const PageSpool&) = delete;
    PageSpool& operator=(const PageSpool&) = delete;
    // The two files, and the page when it was not put together.
    ~PageSpool();

    // Creates the page and the two files beside it; false, with a message for
    // a person, when one cannot be: nothing is then left behind.
    bool open(const std::string& path, std::string& message);

    void addRow(const std::string& markup) { write(grid_.file, markup); }
    void addSection(const std::string& markup) { write(sections_.file, markup); }

    // Writes the page: before, the rows, between, the sections, after; then
    // closes it and removes the two files. 0, or the system's error number
    // of the first write that failed since the page was opened.
    int assemble(const std::string& before, const std::string& between, const std::string& after);

private:
    struct Part {
        std::string path;
        OwnedFile file;
    };

    void write(const OwnedFile& file, const std::string& text);
    // The part's bytes onto the page; the part is removed.
    void copy(Part& part);

    std::string path_;
    OwnedFile page_;
    Part grid_, sections_;
    bool assembled_ = false;
    int error_ = 0;  // the first failure to write, as errno
};

}  // namespace orvex::reader
