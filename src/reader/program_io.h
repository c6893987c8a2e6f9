// What the reader needs of the system beside text conversion.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "reader/owned_file.h"

namespace orvex::reader {

// The arguments after the program's name, in UTF-8 as far as the system can
// tell: on Windows from the wide command line (any file name survives), on
// Linux the bytes as given.
std::vector<std::string> programArguments(int argc, char** argv);

// An argument opened for reading bytes. Only a regular file is opened: a
// folder, a pipe, a device or a socket is refused before anything can wait
// on it.
struct InputFile {
    enum class Problem { None, CannotOpen, Folder, NotAFile };
    OwnedFile file;  // none when there is a problem
    Problem problem = Problem::None;
    std::string reason;  // CannotOpen: the system's words (UTF-8)
    bool absent = false;  // CannotOpen: nothing has that name
};
InputFile openForReading(const std::string& argument);
// Standard input as a result file ("-"): whatever it is, read as it streams.
InputFile standardInput();
// What tells standard output's file from another (as fileIdentity), when it
// is a file on a disk; empty otherwise.
std::string standardOutputIdentity();

// A path of the reader's (UTF-8) as the system's, and back: on Windows
// through UTF-16, a byte that is no UTF-8 as U+FFFD; on Linux the bytes as
// they are. Neither fails.
std::filesystem::path systemPath(const std::string& path);
std::string readerPath(const std::filesystem::path& path);

// A --files-from list opened for reading bytes: a file, or what streams
// names (a pipe, a FIFO, a terminal); a folder is refused.
InputFile openList(const std::string& argument);

// What tells one file from another whatever the path that reaches it (a
// link, "." and "..", the case of a name on Windows); empty when the system
// cannot tell.
std::string fileIdentity(const std::string& path);

// A path as the desk reads it, in UTF-8: on Linux each part of it that is no
// UTF-8 is decoded from CP932 where it is valid CP932 (the names of a Windows
// archive unpacked), and otherwise every byte that is no UTF-8 is written
// "\xNN", so that no two names show alike.
std::string displayName(const std::string& path);

// A command-line argument with * or ? in its last part: the paths it matches,
// sorted (none when nothing matches). On Windows the program expands them
// itself; elsewhere the shell has, and the argument comes back as it is.
std::vector<std::string> expandWildcards(const std::string& argument);

// A line of a --files-from list as a path in UTF-8: on Windows a list that is
// no UTF-8 is in the ANSI code page (what "dir /b /s > list.txt" writes).
std::string listedPath(const std::string& line);

// Writes UTF-8 text for a person to standard output, or to standard error
// when errorStream; false when not all of it was taken. UTF-8 on Linux. On
// Windows a console gets it through its wide-character output (UTF-16), so
// Japanese reads right whatever the console's code page, after what the C
// stream holds (the two stay in order); a file or a pipe gets the ANSI code
// page, in which Windows programs and the tool's own result file write (CP932
// on a Japanese Windows).
bool writeForPerson(const std::string& text, bool errorStream);

// The folder of the reader's own program file (UTF-8), whatever the current
// folder: on Windows, where a taxpayer keeps OrvexEnvRead.exe beside
// OrvexEnv.exe and its result file. Empty off Windows, where a program's
// folder is nothing a person chose.
std::string programFolder();
// Whether a file can be made in the folder, as OrvexEnv makes its result
// file: one of a name of its own is created and gone at once, nothing left.
bool canCreateFileIn(const std::string& folder);

// Whether the reader has a console of its own that closes with it (started
// from Explorer: files or a folder dropped on it, or the exe double-clicked):
// it is the one process attached to the console, and both its standard input
// and output are that console. In a command prompt, from a script, with its
// output redirected or its input not from the console (nobody there to press
// a key), and off Windows, it has not.
bool hasConsoleOfItsOwn();
// Shows a line for a person and waits for a key (Windows only).
void waitForKey(const std::string& prompt);

// A file created, or emptied, for writing bytes; none when it cannot be,
// with the system's words (UTF-8) in reason. Only a regular file is written
// to: a folder, a pipe or a device there is refused without waiting on it.
OwnedFile openForWriting(const std::string& path, std::string& reason);

// Removes a file the reader made; nothing is said when it cannot.
void removeFile(const std::string& path);

// A closed standard output (a pipe whose reader has gone) shows as a failed
// write instead of ending the program at once.
void keepRunningOnClosedOutput();

// Standard output passes bytes unchanged from here on (JSON Lines, CSV): no
// newline translation on Windows.
void writeBytesUnchanged();

}  // namespace orvex::reader
