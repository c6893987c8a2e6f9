// Judging one preference document while it is read. The documents belong to
// another user and may be damaged, huge or hostile: the parser walks the
// file chunk by chunk and keeps nothing of it but the extension's entry, so
// whatever the document's size or shape, the memory it costs is one chunk,
// that entry and the text of the number the parser is reading.
#include "probes/chromium/preferences_document.h"

// The tool never sets a locale: in the C locale a number's decimal point is
// "." already, and picojson need not ask localeconv() for it at every one.
#define PICOJSON_USE_LOCALE 0
#include <picojson.h>

#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/handles.h"
#include "probes/chromium/browser_extension.h"

namespace orvex {

namespace {

// The file, one chunk at a time.
class ChunkReader {
public:
    ChunkReader(Platform& platform, FileHandle file) : platform_(platform), file_(file), buffer_(kDocumentChunkSize) {}

    // The next chunk as [first, last); false at the end of the file, and from
    // a failed read on.
    bool next(const char*& first, const char*& last) {
        if (done_) return false;
        uint32_t read = 0;
        failed_ = platform_.readFile(file_, buffer_.data(), static_cast<uint32_t>(buffer_.size()), read) != kErrorSuccess;
        if (failed_ || read == 0) {
            done_ = true;
            return false;
        }
        first = buffer_.data();
        last = first + read;
        return true;
    }
    bool failed() const { return failed_; }

private:
    Platform& platform_;
    FileHandle file_;
    std::vector<char> buffer_;
    bool done_ = false;
    bool failed_ = false;
};

// A member name as far as the key paths need it: their longest name is the
// extension id, and a longer name matches none of them, so nothing beyond
// that length is kept, however long the name in the document.
class MemberName {
public:
    void push_back(char c) {
        if (size_ < sizeof text_) text_[size_] = c;
        ++size_;
    }
    bool is(const char* name) const {
        const std::size_t length = std::strlen(name);
        return size_ == length && std::memcmp(text_, name, length) == 0;
    }

private:
    char text_[sizeof kExtensionId - 1];
    std::size_t size_ = 0;
};

}  // namespace
}  // namespace orvex

// The parser reads its text through an input<Iter>. For a document read in
// chunks it is this one: the operations of picojson's own, done the same
// way, with the chunk's two pointers at hand, so that a character costs a
// pointer's step and a comparison, and the next chunk is read only where one
// runs out. (picojson's own also counts lines, for error texts nobody reads
// here.)
template <>
class picojson::input<orvex::ChunkReader> {
public:
    explicit input(orvex::ChunkReader& reader) : reader_(reader) {}
    int getc() {
        if (consumed_) ++position_;
        if (position_ == limit_ && !reader_.next(position_, limit_)) {
            consumed_ = false;
            return -1;
        }
        consumed_ = true;
        return *position_ & 0xff;
    }
    void ungetc() { consumed_ = false; }
    void skip_ws() {
        for (;;) {
            const int ch = getc();
            if (!(ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r')) {
                ungetc();
                break;
            }
        }
    }
    bool expect(const int expected) {
        skip_ws();
        if (getc() != expected) {
            ungetc();
            return false;
        }
        return true;
    }
    bool match(const std::string& pattern) {
        for (const char c : pattern) {
            if (getc() != c) {
                ungetc();
                return false;
            }
        }
        return true;
    }

private:
    orvex::ChunkReader& reader_;
    const char* position_ = nullptr;
    const char* limit_ = nullptr;
    bool consumed_ = false;
};

namespace orvex {
namespace {

// What picojson hands its parse context, taken as it comes: the nesting is
// counted (so that no document makes the parser recurse past the limit),
// a number beyond double range ends the parse, and of all the members only
// those on the key path to the extension's entry are followed. A tree
// would keep the last of several members of the same name; so, here, a
// member on the path forgets what an earlier one of its name gave.
class EntryJudgement {
public:
    explicit EntryJudgement(PreferencesDocument& document) : document_(document) {}

    bool set_null() { return scalar(); }
    bool set_bool(bool) { return scalar(); }
    // The parser does not ask whether a number was taken: one beyond double
    // range (1e999) is remembered, and the parse ends at the next step.
    bool set_number(double number) {
        finite_ = finite_ && std::isfinite(number);
        const Role role = take();
        if (role == Role::State) document_.state = {EntryMember::Number, number};
        if (role == Role::DisableReasons) document_.disableReasons = {EntryMember::Number, number};
        return true;
    }
    template <typename Iter>
    bool parse_string(picojson::input<Iter>& in) {
        const Role role = take();
        if (role == Role::Version) return picojson::_parse_string(document_.version, in);
        markOther(role);
        picojson::null_parse_context::dummy_str skipped;
        return picojson::_parse_string(skipped, in);
    }
    bool parse_array_start() {
        if (depth_ == kMaxDocumentDepth) return false;
        ++depth_;
        const Role role = take();
        if (role == Role::DisableReasons) {
            document_.disableReasons.type = EntryMember::Array;
            reasonsDepth_ = depth_;
        } else {
            markOther(role);
        }
        return true;
    }
    template <typename Iter>
    bool parse_array_item(picojson::input<Iter>& in, std::size_t) {
        return finite_ && picojson::_parse(*this, in);
    }
    bool parse_array_stop(std::size_t items) {
        if (depth_ == reasonsDepth_) {
            document_.disableReasons.empty = items == 0;
            reasonsDepth_ = 0;
        }
        --depth_;
        return finite_;
    }
    bool parse_object_start() {
        if (depth_ == kMaxDocumentDepth) return false;
        ++depth_;
        const Role role = take();
        if (role == Role::PathStep) ++pathDepth_;
        else markOther(role);
        return true;
    }
    template <typename Iter>
    bool parse_object_item(picojson::input<Iter>& in, const MemberName& name) {
        if (depth_ == pathDepth_) next_ = findKeyPath(name);
        return finite_ && picojson::_parse(*this, in);
    }
    bool parse_object_stop() {
        if (pathDepth_ == depth_) --pathDepth_;
        --depth_;
        return finite_;
    }

    // Whether every number of the value fits a double.
    bool finite() const { return finite_; }

private:
    // What the value about to be parsed is to the judgement.
    enum class Role { None, PathStep, State, DisableReasons, Version };

    // A member of the object that is pathDepth_ steps down the key path
    // (the root object is step 1, the extension's entry step 4, its manifest
    // step 5): which role its value takes. A name is matched exactly, after
    // its escapes are undone.
    Role findKeyPath(const MemberName& name) {
        static const char* const kToEntry[] = {"extensions", "settings", kExtensionId};
        if (pathDepth_ <= 3) {
            if (!name.is(kToEntry[pathDepth_ - 1])) return Role::None;
            document_.state = {};
            document_.disableReasons = {};
            document_.version.clear();
            return Role::PathStep;
        }
        if (pathDepth_ == 4) {
            if (name.is("state")) {
                document_.state = {};
                return Role::State;
            }
            if (name.is("disable_reasons")) {
                document_.disableReasons = {};
                return Role::DisableReasons;
            }
            if (!name.is("manifest")) return Role::None;
            document_.version.clear();
            return Role::PathStep;
        }
        if (!name.is("version")) return Role::None;
        document_.version.clear();
        return Role::Version;
    }

    Role take() {
        const Role role = next_;
        next_ = Role::None;
        return role;
    }
    // A value that is not what its role needs: a "state" or "disable_reasons"
    // of another type still counts as present; a path step or a version that
    // is no object or no string is simply not there.
    void markOther(Role role) {
        if (role == Role::State) document_.state.type = EntryMember::Other;
        if (role == Role::DisableReasons) document_.disableReasons.type = EntryMember::Other;
    }
    bool scalar() {
        markOther(take());
        return true;
    }

    PreferencesDocument& document_;
    std::size_t depth_ = 0;         // arrays and objects open
    std::size_t pathDepth_ = 0;     // how many of them (the outermost) lie on the key path
    std::size_t reasonsDepth_ = 0;  // the depth of the "disable_reasons" array while it is open
    Role next_ = Role::PathStep;    // the document's value is the first step: the root object
    bool finite_ = true;
};

}  // namespace
}  // namespace orvex

// picojson's loop over an object's members, as picojson has it, but for the
// member name held in a MemberName instead of a std::string of any length:
// no name in a document costs more than that, and none costs a heap block.
template <>
inline bool picojson::_parse_object(orvex::EntryJudgement& ctx, picojson::input<orvex::ChunkReader>& in) {
    if (!ctx.parse_object_start()) return false;
    if (in.expect('}')) return ctx.parse_object_stop();
    do {
        orvex::MemberName name;
        if (!in.expect('"') || !_parse_string(name, in) || !in.expect(':')) return false;
        if (!ctx.parse_object_item(in, name)) return false;
    } while (in.expect(','));
    return in.expect('}') && ctx.parse_object_stop();
}

namespace orvex {

PreferencesDocument loadPreferencesDocument(Platform& platform, const std::optional<std::string>& localAppData,
                                            const std::string& suffix) {
    PreferencesDocument document;
    if (!localAppData) return document;
    FileOwner file(platform);
    if (platform.openFileShared(*localAppData + suffix, file.put()) != kErrorSuccess) return document;
    try {
        ChunkReader reader(platform, file.get());
        EntryJudgement judgement(document);
        // The parser's own entry point for a context; text after the first
        // value is not read. (Its wrapper with an error text would gather
        // the rest of the line after an error: in a document written on one
        // line, the rest of the file.)
        picojson::input<ChunkReader> in(reader);
        document.loaded = picojson::_parse(judgement, in) && judgement.finite() && !reader.failed();
    } catch (const std::exception&) {
        // Memory running out for a member name, a number's digits or the version.
        document.loaded = false;
    }
    if (!document.loaded) document = PreferencesDocument();
    return document;
}

}  // namespace orvex
