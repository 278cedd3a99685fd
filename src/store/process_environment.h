// The running process as start-up sees it: current directory and executable
// path from the system, and the start-up steps that apply them.
// Main thread only, during start-up.
#pragma once

#include <string_view>

#include "store/program_directory.h"

namespace korvale {

class SystemEnvironment : public ProgramEnvironment {
  public:
    std::optional<std::string> currentDirectory() const override;
    std::optional<std::string> executablePath() const override;
    bool sameFile(const std::string& a, const std::string& b) const override;
};

// Locates the program from the first word of its command line, sets
// ProgramDirectory and makes it the current directory (a failure to change
// directory is ignored). Returns the location, whose iniPath is the path of
// every settings read and write from here on.
ProgramLocation SetUpProgramDirectory(std::string_view firstWord);

}  // namespace korvale
