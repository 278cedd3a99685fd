// Where the program lives: the directory its INI file and language files are
// looked up in, found from the first word of the command line (argv[0]).
//
// ProgramDirectory and CurrentLanguage are process-wide texts, set on the main
// thread during start-up before any window exists and read on it afterwards.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvale {

// The executable's directory ending in '/'; empty until start-up sets it, and
// empty for good when the directory could not be found.
inline std::string ProgramDirectory;

// The interface language name; "English" means the built-in texts.
inline std::string CurrentLanguage = "English";

inline constexpr std::string_view kIniExtension = ".ini";

// What start-up needs to know about the process; faked in tests.
class ProgramEnvironment {
  public:
    virtual ~ProgramEnvironment() = default;
    // Absolute path of the current directory, nothing when unreadable.
    virtual std::optional<std::string> currentDirectory() const = 0;
    // Absolute path of the running executable (/proc/self/exe), nothing
    // when unknown.
    virtual std::optional<std::string> executablePath() const = 0;
    // Whether the two paths name the same existing file.
    virtual bool sameFile(const std::string& a, const std::string& b) const = 0;
};

struct ProgramLocation {
    std::string directory;  // ends in '/', or empty when unknown
    std::string baseName;   // file name without directory and extension
    std::string iniPath;    // directory, base name, ".ini"
};

// Locates the program from the first word of its command line:
// - a word with a '/' is the program's path; a relative one is taken from the
//   current directory at start, so it stays right after the change of
//   directory;
// - a bare name is looked for in the current directory first, as a program
//   started from its own directory is; when it is not there it was found on
//   the PATH, and the running executable's own path is used instead;
// - with neither the current directory nor the executable's path known, the
//   bare name stands alone and the directory stays empty.
ProgramLocation LocateProgram(std::string_view firstWord, const ProgramEnvironment& environment);

}  // namespace korvale
