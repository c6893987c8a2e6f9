// libFuzzer over the reader of result files: arbitrary bytes read into runs,
// handed over in pieces whose size the input picks, and every run put out in
// the three forms. Whatever the bytes, nothing may crash, and the records must
// stay valid UTF-8 and valid JSON.
//
// The input also picks a shape of the file: followed by its UTF-8 copy (a
// file joined from the original and a mailed copy, runs in both encodings),
// and its LFs made CRs (a file whose line ends are CRs alone), which must
// read exactly as the LFs do when the input holds no CR of its own.
//
// clang writes every string literal in UTF-8 (it has no CP932 execution
// character set), so in this build the catalogue's texts are their UTF-8 forms:
// the UTF-8 seeds read as the tool's own lines and reach every part of the
// reading, judging and writing, and their "UTF-8 copies" are those texts
// taken for CP932 and converted.
#include <picojson.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/csv_printer.h"
#include "reader/json_printer.h"
#include "reader/summary_printer.h"
#include "reader/result_file.h"
#include "reader/run_facts.h"
#include "reader/text_conversion.h"

namespace {

// Every run's JSON record, checked on the way.
std::string readAll(const std::string& bytes, std::size_t piece) {
    using namespace orvex::reader;
    std::string records;
    ResultFileReader reader([&records](Run& run) {
        const RunFacts facts = factsOf(run, nullptr);
        const std::string text =
            summaryText("OrvexEnv.txt", run, facts, run.number) + csvRow("OrvexEnv.txt", run, facts);
        const std::string json = jsonRecord("OrvexEnv.txt", run, facts);
        picojson::value parsed;
        if (!isValidUtf8(text) || !isValidUtf8(json) || !picojson::parse(parsed, json).empty()) std::abort();
        for (int item = 1; item <= kItemCount; ++item)
            if (!isValidUtf8(hint(item, run.items[static_cast<std::size_t>(item - 1)].judgement))) std::abort();
        records += json;
    });
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        reader.feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    reader.finish();
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::size_t piece = size == 0 ? 1 : 1 + static_cast<std::size_t>(data[size - 1]) * 61;
    const unsigned shape = size < 2 ? 0 : data[size - 2];
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if ((shape & 1) != 0) bytes += orvex::reader::cp932ToUtf8(bytes);
    const std::string records = readAll(bytes, piece);
    if ((shape & 2) != 0 && bytes.find('\r') == std::string::npos) {
        std::replace(bytes.begin(), bytes.end(), '\n', '\r');
        if (readAll(bytes, piece) != records) std::abort();
    }
    return 0;
}
