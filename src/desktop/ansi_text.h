// The program keeps its texts in Windows-1252, as the settings and language
// files hold them; Qt shows Unicode. These convert at the widget boundary.
// A character Windows-1252 lacks becomes '?'.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace korvale {

QString fromAnsi(std::string_view ansi);
std::string toAnsi(const QString& text);

}  // namespace korvale
