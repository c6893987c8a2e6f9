#include "reader/printable.h"

namespace orvex::reader {

std::size_t controlCharacterAt(std::string_view text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    const unsigned char c = byte(at);
    if (c < 0x20 || c == 0x7F) return 1;
    if (c == 0xC2 && byte(at + 1) >= 0x80 && byte(at + 1) < 0xA0) return 2;  // U+0080 to U+009F
    if (c == 0xD8 && byte(at + 1) == 0x9C) return 2;                          // U+061C
    const unsigned second = byte(at + 1), third = byte(at + 2);
    if (c == 0xE2 && second == 0x80 && ((third >= 0x8B && third <= 0x8F) || (third >= 0xA8 && third <= 0xAE)))
        return 3;  // U+200B to U+200F, U+2028 to U+202E
    if (c == 0xE2 && second == 0x81 && third >= 0xA0 && third <= 0xAF) return 3;  // U+2060 to U+206F
    if (c == 0xEF && second == 0xBB && third == 0xBF) return 3;                    // U+FEFF
    return 0;
}

std::string printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t control = controlCharacterAt(text, i);
        shown += control != 0 ? std::string_view("?") : text.substr(i, 1);
        i += control != 0 ? control : 1;
    }
    return shown;
}

}  // namespace orvex::reader
