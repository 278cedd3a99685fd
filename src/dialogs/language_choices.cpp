#include "dialogs/language_choices.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "lang/interface_language.h"
#include "lang/language_file.h"

namespace korvale {

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};

}  // namespace

std::vector<std::string> LanguageChoices(const std::string& programDirectory) {
    std::vector<std::string> choices{std::string(kBuiltInLanguage)};
    std::string prefix = programDirectory.empty() ? std::string("./") : programDirectory;
    if (prefix.back() != '/') {
        prefix += '/';
    }
    const std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(prefix.c_str()));
    if (!directory) {
        return choices;
    }
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        // The extension is matched as the loader spells it: on a
        // case-sensitive file system "x.LNG" could not be loaded as "x".
        if (name.starts_with('.') || !name.ends_with(kLanguageFileExtension)) {
            continue;
        }
        // stat follows a link, so a link to a language file kept elsewhere is
        // listed and loads like the file itself.
        struct stat info {};
        const std::string path = prefix + std::string(name);
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        choices.emplace_back(name.substr(0, name.rfind('.')));
    }
    return choices;
}

int LanguageChoiceSelection(const std::vector<std::string>& choices, const std::string& current) {
    // Every equal entry is selected in turn, so the last one is what shows.
    for (std::size_t i = choices.size(); i-- > 0;) {
        if (choices[i] == current) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace korvale
