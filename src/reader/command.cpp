#include "reader/command.h"

#include <memory>
#include <optional>

#include "reader/inputs.h"
#include "reader/options.h"
#include "reader/page_printer.h"
#include "reader/page_spool.h"

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

}  // namespace orvex::reader
