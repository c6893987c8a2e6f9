#include "reader/page_spool.h"

#include <vector>

#include "reader/printable.h"
#include "reader/program_io.h"
#include "reader/text_conversion.h"

namespace orvex::reader {

PageSpool::~PageSpool() {
    for (Part* part : {&grid_, &sections_}) {
        if (part->path.empty()) continue;
        part->file = OwnedFile();
        removeFile(part->path);
    }
    if (!path_.empty() && !assembled_) {
        page_ = OwnedFile();
        removeFile(path_);
    }
}

std::vector<std::string> pageSpoolFiles(const std::string& path) { return {path + ".grid.tmp", path + ".files.tmp"}; }

bool PageSpool::open(const std::string& path, std::string& message) {
    std::string reason;
    page_ = openForWriting(path, reason);
    if (!page_) {
        message = "ページを作れません（" + reason + "）：" + printable(validUtf8(path));
        return false;
    }
    path_ = path;
    const std::vector<std::string> spool = pageSpoolFiles(path);
    for (auto [part, partPath] : {std::pair{&grid_, spool[0]}, std::pair{&sections_, spool[1]}}) {
        part->path = partPath;
        part->file = openForWriting(part->path, reason);
        if (!part->file) {
            message = "ページの一時ファイルを作れません（" + reason + "）：" + printable(validUtf8(part->path));
            part->path.clear();  // nothing of it to remove
            return false;
        }
    }
    return true;
}

void PageSpool::write(const OwnedFile& file, const std::string& text) {
    if (file && error_ == 0 && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
        error_ = errno != 0 ? errno : EIO;
}

// Windows removes no file that is still open: the part is closed, copied
// through a handle of its own that is closed in turn, and only then removed.
void PageSpool::copy(Part& part) {
    const int closed = part.file.close();
    if (error_ == 0) error_ = closed;
    {
        const InputFile input = openForReading(part.path);
        if (!input.file) {
            if (error_ == 0) error_ = EIO;
        } else {
            static std::vector<char> buffer(std::size_t{256} * 1024);
            std::size_t read = 0;
            while ((read = std::fread(buffer.data(), 1, buffer.size(), input.file.get())) > 0)
                write(page_, std::string(buffer.data(), read));
            if (std::ferror(input.file.get()) != 0 && error_ == 0) error_ = EIO;
        }
    }
    removeFile(part.path);
    part.path.clear();
}

int PageSpool::assemble(const std::string& before, const std::string& between, const std::string& after) {
    write(page_, before);
    copy(grid_);
    write(page_, between);
    copy(sections_);
    write(page_, after);
    const int closed = page_.close();
    if (error_ == 0) error_ = closed;
    assembled_ = true;
    return error_;
}

}  // namespace orvex::reader
