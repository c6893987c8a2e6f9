// The reader's command line:
// OrvexEnvRead [--all | --overview | --json | --csv] [--files-from LIST] FILE-OR-FOLDER...
//
// Exit code: 0 when the latest run of every file is complete and nothing in
// it needs action or could not be read; 1 otherwise; 2 when a file cannot be
// read or holds no run (a message names it; the other files are still read
// and reported), or the command line is wrong.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvex::reader {

struct Output {
    // Standard output: text for a person (UTF-8: summaries, the usage) when
    // forPerson, otherwise records to pass on byte for byte (JSON Lines, CSV).
    std::function<void(const std::string& text, bool forPerson)> out;
    // Standard error: a message for a person (UTF-8).
    std::function<void(const std::string& text)> err;
};

// arguments: without the program's name.
int runReader(const std::vector<std::string>& arguments, const Output& output);

}  // namespace orvex::reader
