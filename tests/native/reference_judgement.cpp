// The tree-based judgement, unchanged but for its input: the bytes of the
// file instead of its path.
#include "reference_judgement.h"

// As in the streaming judgement, which shares the program: picojson without
// localeconv(), the same in the C locale the programs run in.
#define PICOJSON_USE_LOCALE 0
#include <picojson.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <string_view>

namespace orvex::reference {

namespace {

const char kExtensionId[] = "lkdmfhaebpjcognbimfealhdpkcogjbn";
const char kNotInstalled[] = "インストールされていません";
const char kOn[] = "on";
const char kOff[] = "off";
const char kNoVersion[] = "-";

bool isJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether the first JSON value in text nests arrays and objects deeper than
// maxDepth. Text after that value is not looked at.
bool nestsDeeperThan(const std::string& text, std::size_t maxDepth) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isJsonSpace(*p)) ++p;
    if (p == end || (*p != '{' && *p != '[')) return false;  // a plain value nests nothing

    std::size_t depth = 0;
    for (; p != end; ++p) {
        switch (*p) {
        case '"':
            // To the closing quote: the first one after an even run of
            // backslashes (the opening quote ends every run).
            for (;;) {
                const char* quote = static_cast<const char*>(std::memchr(p + 1, '"', end - p - 1));
                if (quote == nullptr) return false;  // unterminated: the parser refuses it
                const char* run = quote;
                while (run[-1] == '\\') --run;
                p = quote;
                if ((quote - run) % 2 == 0) break;
            }
            break;
        case '{': case '[':
            if (++depth > maxDepth) return true;
            break;
        case '}': case ']':
            if (--depth == 0) return false;  // end of the first value
            break;
        default: break;
        }
    }
    return false;
}

const picojson::object* findKeyPath(const picojson::object& object, std::initializer_list<std::string> intermediates,
                                    const std::string& last) {
    const picojson::object* current = &object;
    for (const std::string& name : intermediates) {
        const auto member = current->find(name);
        if (member == current->end() || !member->second.is<picojson::object>()) return nullptr;
        current = &member->second.get<picojson::object>();
    }
    return current->count(last) != 0 ? current : nullptr;
}

const char* stateWord(double state) {
    if (!(state > -2147483649.0 && state < 2147483648.0)) return kNotInstalled;
    switch (static_cast<std::int32_t>(state)) {
    case 1: return kOn;
    case 0: return kOff;
    default: return kNotInstalled;
    }
}

const char* disableReasonsWord(const picojson::value& reasons) {
    if (reasons.is<picojson::array>()) return reasons.get<picojson::array>().empty() ? kOn : kOff;
    if (reasons.is<double>()) return reasons.get<double>() == 0 ? kOn : kOff;
    return kNotInstalled;
}

const char* extensionState(const picojson::value& root) {
    if (!root.is<picojson::object>()) return kNotInstalled;
    const picojson::object& top = root.get<picojson::object>();
    if (const picojson::object* entry = findKeyPath(top, {"extensions", "settings", kExtensionId}, "state")) {
        const picojson::value& state = entry->at("state");
        return state.is<double>() ? stateWord(state.get<double>()) : kNotInstalled;
    }
    if (const picojson::object* entry = findKeyPath(top, {"extensions", "settings", kExtensionId}, "disable_reasons"))
        return disableReasonsWord(entry->at("disable_reasons"));
    return kNotInstalled;
}

std::string_view extensionVersion(const picojson::value& root) {
    if (!root.is<picojson::object>()) return kNoVersion;
    const picojson::object* manifest =
        findKeyPath(root.get<picojson::object>(), {"extensions", "settings", kExtensionId, "manifest"}, "version");
    if (manifest == nullptr) return kNoVersion;
    const picojson::value& version = manifest->at("version");
    if (!version.is<std::string>() || version.get<std::string>().empty()) return kNoVersion;
    return version.get<std::string>();
}

}  // namespace

Verdict judgeWholeDocument(const std::string& content) {
    Verdict verdict{false, kNotInstalled, kNoVersion};
    try {
        if (nestsDeeperThan(content, picojson::DEFAULT_MAX_DEPTHS)) return verdict;
        picojson::value root;
        if (!picojson::parse(root, content).empty()) return verdict;
        verdict = {true, extensionState(root), std::string(extensionVersion(root))};
    } catch (const std::exception&) {
        // A number beyond double range (the parser throws overflow_error) or
        // memory running out.
    }
    return verdict;
}

}  // namespace orvex::reference
