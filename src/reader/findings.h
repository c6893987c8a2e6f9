// What a run as a whole tells the desk beyond its single lines: how it
// ended, what no single item shows, and whether someone has to act.
#pragma once

#include <array>
#include <vector>

#include "reader/result_file.h"

namespace orvex::reader {

// The numbers of the extension's state lines: Chrome's two documents, then Edge's.
std::array<int, 4> extensionStateItems();

enum class Finding {
    ExtensionOnNowhere,  // every state line is there and none says on: no browser can file
};

std::vector<Finding> findings(const Run& run);

// An item needs action or could not be read, a finding is present, or the
// run did not end complete.
bool needsAttention(const Run& run);

// The names the records give: "complete", "failure", "interrupted", "cut",
// "items-missing"; "extension-on-nowhere".
const char* endName(RunEnd end);
const char* findingName(Finding finding);

}  // namespace orvex::reader
