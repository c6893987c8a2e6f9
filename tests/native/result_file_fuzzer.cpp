// libFuzzer over the reader of result files: arbitrary bytes read into runs,
// handed over in pieces whose size the input picks, and every run put out in
// the three forms. Whatever the bytes, nothing may crash, and the records must
// stay valid UTF-8 and valid JSON.
//
// clang writes every string literal in UTF-8 (it has no CP932 execution
// character set), so in this build the catalogue's texts are their UTF-8 forms:
// the UTF-8 seeds read as the tool's own lines and reach every part of the
// reading, judging and writing.
#include <picojson.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "reader/outputs.h"
#include "reader/result_file.h"
#include "reader/text_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex::reader;
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::size_t piece = size == 0 ? 1 : 1 + static_cast<std::size_t>(data[size - 1]) * 61;
    ResultFileReader reader([](Run& run) {
        const std::string text = summary("OrvexEnv.txt", run, run.number) + csvRow("OrvexEnv.txt", run);
        const std::string json = jsonLine("OrvexEnv.txt", run);
        picojson::value parsed;
        if (!isValidUtf8(text) || !isValidUtf8(json) || !picojson::parse(parsed, json).empty()) std::abort();
        for (int item = 1; item <= kItemCount; ++item)
            if (!isValidUtf8(hint(item, run.items[static_cast<std::size_t>(item - 1)].judgement))) std::abort();
    });
    for (std::size_t at = 0; at < size; at += piece) reader.feed(bytes + at, std::min(piece, size - at));
    reader.finish();
    return 0;
}
