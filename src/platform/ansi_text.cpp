#include "platform/ansi_text.h"

namespace orvex {

std::string::size_type findLastBackslash(Platform& platform, const std::string& text) {
    std::string::size_type found = std::string::npos;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (platform.isLeadByte(byte) && i + 1 < text.size()) {
            ++i;  // the trail byte belongs to this character
        } else if (byte == '\\') {
            found = i;
        }
    }
    return found;
}

}  // namespace orvex
