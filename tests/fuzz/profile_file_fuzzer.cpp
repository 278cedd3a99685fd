// Feeds any bytes to the profile reader through a real file, then makes one
// write and checks that it changed only what it was asked to change.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/profile_file.h"
#include "fuzz_temp_file.h"

namespace {

constexpr std::size_t kNamesListSize = 9999;
constexpr std::size_t kLinesListSize = 31999;
constexpr std::size_t kControlBytes = 3;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    if (size < kControlBytes) {
        return 0;
    }
    const std::uint8_t* control = data;
    const std::string& path = fuzzing::ScratchPath(".ini");
    fuzzing::WriteScratch(path, data + kControlBytes, size - kControlBytes);

    const std::vector<std::string> names = ReadProfileSectionNames(path, kNamesListSize);
    std::vector<std::vector<std::string>> linesBefore;
    for (const std::string& name : names) {
        linesBefore.push_back(ReadProfileSection(path, name, kLinesListSize));
        for (const std::string& line : linesBefore.back()) {
            const std::size_t equals = line.find('=');
            const std::string key =
                std::string(TrimBlanks(std::string_view(line).substr(0, equals)));
            ReadProfileInt(path, name, key, 7);
            Check(ReadProfileText(path, name, key, "").size() <= kProfileTextMaxLength);
        }
    }

    // One write: an existing or a new section, a plain key or the first key
    // of the section, a value with or without blanks around it.
    const std::size_t pick = control[0] % (names.size() + 1);
    const std::string section = pick < names.size() ? names[pick] : "NewSection";
    std::string key = control[1] % 2 == 0 ? "Key" : "key";
    if (control[1] % 3 == 2 && pick < names.size() && !linesBefore[pick].empty()) {
        const std::string& line = linesBefore[pick].front();
        key = std::string(TrimBlanks(std::string_view(line).substr(0, line.find('='))));
    }
    const std::string value =
        (control[2] & 1 ? "  " : "") + std::to_string(control[2]) + (control[2] & 2 ? " \t" : "");

    if (!WriteProfileText(path, section, key, value)) {
        return 0;  // a key or section that cannot be stored; nothing to check
    }
    Check(ReadProfileText(path, section, key, "missing") == TrimBlanks(value));

    // Every other section reads exactly as before, and no section went away.
    const std::vector<std::string> namesAfter = ReadProfileSectionNames(path, kNamesListSize);
    Check(namesAfter.size() >= names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        Check(namesAfter[i] == names[i]);
        if (!EqualIgnoringCase(names[i], section)) {
            Check(ReadProfileSection(path, names[i], kLinesListSize) == linesBefore[i]);
        }
    }
    return 0;
}
