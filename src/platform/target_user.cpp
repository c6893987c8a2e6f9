// Not built yet: writes nothing.
#include "platform/target_user.h"

namespace orvex {

AccountName splitAccountName(Platform&, const std::string& account) { return {std::string(), account, account}; }
bool equalsIgnoreCase(Platform&, const std::string& a, const std::string& b) { return a == b; }
void replaceFirstIgnoreCase(Platform&, std::string&, const std::string&, const std::string&) {}
bool resolveTargetUserSid(Platform&, Registry&, ReportWriter&, std::string& sid) { sid.clear(); return true; }
bool resolveTargetLocalAppData(Platform&, Registry&, ReportWriter&, LocalAppData& result) { result = {}; return true; }

}  // namespace orvex
