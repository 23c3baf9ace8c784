// The program's command line, read once when it starts:
//
//   dyskel [--ini PATH] [/DEBUG] [IMAGE.D64 ...]
//   dyskel --help | --version
//
// Qt's own options (-platform NAME, -style NAME, ...) are left to Qt.
#pragma once

#include <string>
#include <vector>

namespace dyskel {

struct CommandLine {
    bool help = false;    // --help or -h: the usage, then exit
    bool version = false; // --version: the version, then exit
    std::string iniPath;  // --ini PATH or --ini=PATH; empty: the default settings file
    bool debug = false;   // "/DEBUG" in any case, with any suffix: no about box at start
    // The images named, made absolute against the working folder; the first
    // opens once the main window is up.
    std::vector<std::string> images;
};

// words: the arguments after the program's name.  A switch is "/" and a word
// that names no file; unknown switches are ignored.  The word after --ini is
// a path, never an option.
CommandLine ParseCommandLine(const std::vector<std::string>& words);

} // namespace dyskel
