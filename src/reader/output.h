// Where the reader writes: standard output and standard error, as the
// program hands them to the printers and the reading loop (a test hands its
// own).
#pragma once

#include <functional>
#include <string>

namespace orvex::reader {

struct Output {
    // Standard output: text for a person (UTF-8: summaries, the usage) when
    // forPerson, otherwise records to pass on byte for byte (JSON Lines, CSV).
    std::function<void(const std::string& text, bool forPerson)> out;
    // Standard error: a message for a person (UTF-8).
    std::function<void(const std::string& text)> err;
};

}  // namespace orvex::reader
