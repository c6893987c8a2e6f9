// The reader's command line:
// OrvexEnvRead [--all | --overview | --json | --csv] [--html PAGE] [--files-from LIST]... FILE-OR-FOLDER...
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reader/output.h"
#include "reader/printer.h"

namespace orvex::reader {

// The form of standard output.
using MakePrinter = std::unique_ptr<Printer> (*)(const Output& output, const PrinterSettings& settings);

struct Options {
    MakePrinter form = nullptr;
    PrinterSettings settings;
    bool help = false;
    std::vector<std::string> files;
    std::vector<std::string> lists;   // --files-from: files naming files; "-" standard input
    std::optional<std::string> page;  // --html PAGE
};

// The options, or nullopt when the command line is wrong or names nothing
// (a message said what, but for a command line with nothing on it).
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, const Output& output);

// How to use the reader, for --help and after a wrong command line.
extern const char kUsage[];

}  // namespace orvex::reader
