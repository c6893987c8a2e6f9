#include "reader/command.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "reader/inputs.h"
#include "reader/options.h"
#include "reader/page_printer.h"
#include "reader/page_spool.h"
#include "reader/program_io.h"
#include "reader/taxpayer_printer.h"

namespace orvex::reader {

Outcome runReader(const std::vector<std::string>& arguments, const Output& output) {
    Outcome outcome;
    const std::optional<Options> options = parseOptions(arguments, output);
    if (!options) {
        output.err(kUsage);
        outcome.usageError = true;
        return outcome;
    }
    if (options->help) {
        output.out(kUsage, true);
        return outcome;
    }
    // The page is written beside what goes to standard output. It is made
    // first: a page refused leaves standard output empty.
    std::unique_ptr<Printer> page;
    if (options->page && !(page = makePagePrinter(*options->page, output))) {
        outcome.unwritten = true;
        return outcome;
    }
    std::unique_ptr<Printer> printer = options->form(output, options->settings);
    if (page) printer = bothPrinters(std::move(printer), std::move(page));
    std::vector<std::string> ownOutputs, scratch;
    if (options->page) {
        ownOutputs.push_back(*options->page);
        scratch = pageSpoolFiles(*options->page);
    }
    Inputs inputs(*printer, output, outcome, std::move(ownOutputs), std::move(scratch));
    for (const std::string& argument : options->files) inputs.readArgument(argument);
    for (const std::string& list : options->lists) inputs.readList(list);
    if (!printer->finish()) outcome.unwritten = true;
    return outcome;
}

Outcome runBesideTool(const std::string& folder, const Output& output) {
    Outcome outcome;
    const std::filesystem::path path = systemPath(folder) / "OrvexEnv.txt";
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) {
        output.out(noResultText(folder, canCreateFileIn(folder)), true);
        outcome.notRead = true;
        return outcome;
    }
    std::unique_ptr<Printer> printer = makeTaxpayerPrinter(output, outcome);
    // What cannot be read is said by the printer, in that person's words.
    const Output quiet{output.out, [](const std::string&) {}};
    Inputs inputs(*printer, quiet, outcome, {}, {}, Audience::Taxpayer);
    inputs.readFile(readerPath(path));
    if (!printer->finish()) outcome.unwritten = true;
    return outcome;
}

}  // namespace orvex::reader
