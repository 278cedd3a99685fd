// The language dialog's list and its selection rule. Plain logic, main
// thread only.
#pragma once

#include <string>
#include <vector>

namespace korvale {

// "English" first, then for each regular "*.lng" file of the directory, in
// the order the directory listing gives them, its name up to the last dot.
// Hidden files (a leading dot), directories and anything that is not a
// regular file are skipped. An unreadable directory gives "English" alone.
std::vector<std::string> LanguageChoices(const std::string& programDirectory);

// The entry selected when the dialog opens: the last one equal to the
// current name (case-sensitive), -1 when none is.
int LanguageChoiceSelection(const std::vector<std::string>& choices, const std::string& current);

}  // namespace korvale
