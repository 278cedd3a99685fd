// Any bytes as a profile file (after three choosing one write): it changes only what it should.
#include "fuzz_support.h"
#include "store/profile_file.h"

constexpr std::size_t kNamesListSize = 9999;
constexpr std::size_t kLinesListSize = 31999;

FUZZ_TARGET(3) {
    const std::string& path = WriteScratch(".ini", data.subspan(3));
    const std::vector<std::string> names = ReadProfileSectionNames(path, kNamesListSize);
    std::vector<std::vector<std::string>> linesBefore;
    for (const std::string& name : names) {
        linesBefore.push_back(ReadProfileSection(path, name, kLinesListSize));
    }
    const std::size_t pick = data[0] % (names.size() + 1);
    const std::string section = pick < names.size() ? names[pick] : "NewSection";
    const bool firstKey = data[1] % 2 == 1 && pick < names.size() && !linesBefore[pick].empty();
    const std::string_view line = firstKey ? std::string_view(linesBefore[pick].front()) : "Key";
    const std::string key(TrimBlanks(line.substr(0, line.find('='))));
    ReadProfileInt(path, section, key, 7);
    check(ReadProfileText(path, section, key, "").size() <= kProfileTextMaxLength);
    const std::string value =
        (data[2] & 1 ? "  " : "") + std::to_string(data[2]) + (data[2] & 2 ? " \t" : "");
    if (!WriteProfileText(path, section, key, value)) {
        return;  // a key or section that cannot be stored
    }
    check(ReadProfileText(path, section, key, "missing") == TrimBlanks(value));
    const std::vector<std::string> namesAfter = ReadProfileSectionNames(path, kNamesListSize);
    for (std::size_t i = 0; i < names.size(); ++i) {
        check(i < namesAfter.size() && namesAfter[i] == names[i]);
        check(EqualIgnoringCase(names[i], section) ||
              ReadProfileSection(path, names[i], kLinesListSize) == linesBefore[i]);
    }
}
