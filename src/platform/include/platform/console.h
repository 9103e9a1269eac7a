// console.h: command-line arguments and console text in UTF-8 on every platform.
//
// On Windows, main's argv is in the ANSI code page ("Città" arrives as "Citt?" where the code page
// lacks a character); the arguments are taken again from the UTF-16 command line, and the console
// is switched to UTF-8 output so that messages naming such paths print as written.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's arguments in UTF-8, argv[0] included. On POSIX, argv itself.
std::vector<std::string> utf8Arguments(int argc, char* argv[]);
// Makes the console print UTF-8 and standard output binary, so that a program prints the same
// bytes as on Linux (no CR before each line feed). Nothing to do on POSIX.
void useUtf8Console();

}  // namespace platform
