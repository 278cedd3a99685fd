// Feeds any bytes to the profile reader through a real file, then makes one
// write and checks that it changed only what it was asked to change. The
// first three bytes choose the write; the rest is the file.
#include "fuzz_support.h"
#include "store/profile_file.h"

using namespace korvale::fuzzing;

constexpr std::size_t kNamesListSize = 9999;
constexpr std::size_t kLinesListSize = 31999;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string& path = WriteScratch(".ini", {data + 3, size - 3});
    const std::vector<std::string> names = ReadProfileSectionNames(path, kNamesListSize);
    std::vector<std::vector<std::string>> linesBefore;
    for (const std::string& name : names) {
        linesBefore.push_back(ReadProfileSection(path, name, kLinesListSize));
    }

    // One write: an existing or a new section, a new key or the section's
    // first key (whose value is read first, as a number and as text), a value
    // with or without blanks around it.
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
        return 0;  // a key or section that cannot be stored; nothing to check
    }
    check(ReadProfileText(path, section, key, "missing") == TrimBlanks(value));

    // Every other section reads exactly as before, and no section went away.
    const std::vector<std::string> namesAfter = ReadProfileSectionNames(path, kNamesListSize);
    for (std::size_t i = 0; i < names.size(); ++i) {
        check(i < namesAfter.size() && namesAfter[i] == names[i]);
        check(EqualIgnoringCase(names[i], section) ||
              ReadProfileSection(path, names[i], kLinesListSize) == linesBefore[i]);
    }
    return 0;
}
