// Windows and menus passed through the LanguageTable under a section named
// after the window: each caption, control text and menu item is looked up by
// its own English text and replaced where the table has a translation.
//
// Called once when a window is set up (after its fields are filled and
// before any list it fills itself), and for the tray menu each time it is
// built. Main thread only.
#pragma once

#include <string_view>

class QMenu;
class QMenuBar;
class QWidget;

namespace korvale {

// The menu's items from first to last: each item with text is translated and
// keeps its command (QAction data) and its submenu; a submenu is walked,
// depth-first, under the same section before the next item. Separators are
// skipped. A null menu is ignored.
void TranslateMenu(std::string_view section, QMenu* menu);
void TranslateMenu(std::string_view section, QMenuBar* menuBar);

// The window's caption, then its controls in child order: labels, buttons,
// check boxes, group box titles, and the current text of edit fields and
// combo boxes. Empty texts are not looked up. Controls inside a group box or
// a button box count as the window's own controls, as they do in a dialog
// template; widgets that are windows of their own are left out. Then the
// menu bar, if the window has one. A null window is ignored.
void TranslateWindow(std::string_view section, QWidget* window);

}  // namespace korvale
