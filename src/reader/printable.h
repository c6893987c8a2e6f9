// Text a file holds, made safe to show: nothing a result file or a file name
// holds reaches a terminal, a spreadsheet or a page as a command, and nothing
// changes how the text around it is laid out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvex::reader {

// The bytes of the character that begins at text[at] when it is a control
// character (C0, DEL, C1) or one that changes how text is laid out
// (bidirectional controls and isolates, zero-width spaces, joiners and
// marks, line and paragraph separators); 0 when it is neither.
std::size_t controlCharacterAt(std::string_view text, std::size_t at);

// UTF-8 text with every such character shown as "?".
std::string printable(std::string_view text);

}  // namespace orvex::reader
