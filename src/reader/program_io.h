// What the reader needs of the system beside text conversion.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orvex::reader {

// The arguments after the program's name, in UTF-8 as far as the system can
// tell: on Windows from the wide command line (any file name survives), on
// Linux the bytes as given.
std::vector<std::string> programArguments(int argc, char** argv);

// An argument opened for reading bytes; nullptr with errno set when it cannot be.
std::FILE* openForReading(const std::string& argument);

// Standard output passes bytes unchanged from here on (JSON Lines, CSV): no
// newline translation on Windows.
void writeBytesUnchanged();

}  // namespace orvex::reader
