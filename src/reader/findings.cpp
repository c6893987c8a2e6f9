#include "reader/findings.h"

#include "report/catalogue.h"

namespace orvex::reader {

std::array<int, 4> extensionStateItems() {
    using namespace catalogue;
    return {kChromeExtension.states[0].number, kChromeExtension.states[1].number, kEdgeExtension.states[0].number,
            kEdgeExtension.states[1].number};
}

std::vector<Finding> findings(const Run& run) {
    std::vector<Finding> found;
    bool onNowhere = true;
    for (int item : extensionStateItems()) {
        const ItemLine& line = run.items[static_cast<std::size_t>(item - 1)];
        onNowhere = onNowhere && line.present && line.judgement.verdict != Verdict::Ok;
    }
    if (onNowhere) found.push_back(Finding::ExtensionOnNowhere);
    return found;
}

bool needsAttention(const Run& run) {
    return !run.complete() || run.count(Verdict::Action) != 0 || run.count(Verdict::Unread) != 0 ||
           !findings(run).empty();
}

const char* endName(RunEnd end) {
    switch (end) {
    case RunEnd::Complete: return "complete";
    case RunEnd::Failure: return "failure";
    case RunEnd::Interrupted: return "interrupted";
    case RunEnd::Cut: return "cut";
    case RunEnd::ItemsMissing: return "items-missing";
    }
    return "cut";
}

const char* findingName(Finding finding) {
    switch (finding) {
    case Finding::ExtensionOnNowhere: return "extension-on-nowhere";
    }
    return "";
}

}  // namespace orvex::reader
