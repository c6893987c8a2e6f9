#include "reader/json_printer.h"

#include <picojson.h>

#include "reader/printable.h"
#include "reader/run_facts.h"

namespace orvex::reader {

namespace {

class JsonPrinter : public Printer {
public:
    explicit JsonPrinter(const Output& output) : output_(output) {}

    void run(const std::string& file, const Run& run, const RunFacts& facts) override {
        output_.out(jsonRecord(file, run, facts), false);
    }
    void fileDone(const std::string&, const Run&, const RunFacts&, int) override {}
    // A batch import sees every file, the ones not read and passed over too.
    void fileNotRead(const std::string& file, const std::string& message) override {
        output_.out(jsonNotRead(file, message, false), false);
    }
    void filePassedOver(const std::string& file, const std::string& reason) override {
        output_.out(jsonNotRead(file, reason, true), false);
    }
    bool finish() override { return true; }

private:
    const Output& output_;
};

// One object on one line. picojson writes every "/" as "\\/" (put back
// plain: the dates and paths stay readable) and the C1 control characters
// (U+0080 to U+009F, which some terminals obey) and the characters that
// change how text is laid out (bidirectional controls, zero-width ones) as
// they are: escaped here, as the C0 ones are.
std::string jsonText(const picojson::value& value) {
    static const char kHex[] = "0123456789abcdef";
    const std::string json = value.serialize();
    std::string line;
    line.reserve(json.size() + 1);
    std::size_t done = 0;  // what lies before done is in the line
    for (std::size_t at = 0; at < json.size();) {
        const bool escape = json[at] == '\\' && at + 1 < json.size();
        const std::size_t control =
            static_cast<unsigned char>(json[at]) >= 0x80 ? controlCharacterAt(json, at) : 0;
        if (!escape && control == 0) {
            ++at;
            continue;
        }
        line.append(json, done, at - done);
        if (escape) {
            if (json[at + 1] != '/') line += '\\';
            line += json[at + 1];
            at += 2;
        } else {
            // The code point of the two- or three-byte sequence.
            unsigned point = static_cast<unsigned char>(json[at]) & (control == 2 ? 0x1F : 0x0F);
            for (std::size_t i = 1; i < control; ++i)
                point = point << 6 | (static_cast<unsigned char>(json[at + i]) & 0x3F);
            line += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) line += kHex[point >> shift & 0xF];
            at += control;
        }
        done = at;
    }
    line.append(json, done, std::string::npos);
    return line + "\n";
}

picojson::value number(int n) { return picojson::value(static_cast<double>(n)); }

}  // namespace

std::unique_ptr<Printer> makeJsonPrinter(const Output& output, const PrinterSettings&) {
    return std::make_unique<JsonPrinter>(output);
}

std::string jsonRecord(const std::string& file, const Run& run, const RunFacts& facts) {
    picojson::array failures;
    for (const std::string& failure : run.failures) failures.emplace_back(failure);
    picojson::array items;
    for (int item = 1; item <= kItemCount; ++item) {
        const ItemLine& entry = run.items[static_cast<std::size_t>(item - 1)];
        if (!entry.present) continue;
        picojson::object object;
        object["item"] = number(item);
        object["text"] = picojson::value(entry.text);
        object["verdict"] = picojson::value(verdictName(entry.judgement.verdict));
        items.emplace_back(std::move(object));
    }
    for (const LaterItem& later : run.laterItems) {
        picojson::object object;
        object["item"] = number(later.number);
        object["text"] = picojson::value(later.text);
        object["verdict"] = picojson::value(verdictName(Verdict::Unknown));
        items.emplace_back(std::move(object));
    }
    picojson::array found;
    for (Finding finding : facts.findings) found.emplace_back(findingName(finding));
    picojson::object object;
    object["file"] = picojson::value(file);
    object["run"] = number(run.number);
    object["encoding"] = picojson::value(encodingName(run.encoding));
    object["started"] = run.started.empty() ? picojson::value() : picojson::value(run.started);
    object["complete"] = picojson::value(facts.end == RunEnd::Complete);
    object["ended"] = picojson::value(endName(facts.end));
    object["failures"] = picojson::value(std::move(failures));
    object["items"] = picojson::value(std::move(items));
    object["findings"] = picojson::value(std::move(found));
    object["attention"] = picojson::value(facts.attention);
    // A file's first run has nothing to be compared with.
    object["changed"] = picojson::value();
    if (facts.hasPrevious) {
        picojson::array changed;
        for (const Change& change : facts.changes) {
            picojson::object entry;
            entry["item"] = number(change.item);
            entry["from"] = picojson::value(changeVerdictName(change.from));
            entry["to"] = picojson::value(changeVerdictName(change.to));
            changed.emplace_back(std::move(entry));
        }
        object["changed"] = picojson::value(std::move(changed));
    }
    object["error"] = picojson::value();
    object["passed_over"] = picojson::value(false);
    return jsonText(picojson::value(std::move(object)));
}

// The keys of a run's record, so that an engine that takes its columns from
// the first records it sees loads every record alike: what a file not read
// lacks is null or an empty list, and it needs the desk's attention. A file
// passed over has why in error too (it was not read), but needs nothing.
std::string jsonNotRead(const std::string& file, const std::string& message, bool passedOver) {
    picojson::value record(picojson::object_type, false);
    picojson::object& object = record.get<picojson::object>();
    object["file"] = picojson::value(file);
    for (const char* none : {"run", "encoding", "started", "complete", "ended", "changed"})
        object[none] = picojson::value();
    for (const char* empty : {"failures", "items", "findings"}) object[empty] = picojson::value(picojson::array());
    object["attention"] = picojson::value(!passedOver);
    object["error"] = picojson::value(message);
    object["passed_over"] = picojson::value(passedOver);
    return jsonText(record);
}

}  // namespace orvex::reader
