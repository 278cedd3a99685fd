# Files the desktop program finds beside its executable at run time, and the
# rules that install them. Included at the end of src/desktop/CMakeLists.txt,
# after the korvale target exists.
#
# Korvale looks for everything in its own directory: korvale.ini, the language
# files (*.lng, copied into ${PROJECT_BINARY_DIR} by the top-level list), the
# COMn links and the help page, which is named after the executable with
# ".html" (Help > Contents... opens korvale.html#main-window).

# The executable sits beside korvale-headless and the language files, so a
# build runs in place with its help and languages.
if(TARGET korvale)
  set_target_properties(korvale PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endif()

# The help page. configure_file makes the build re-run the copy whenever
# help/korvale.html changes.
set(KORVALE_HELP_PAGE ${PROJECT_SOURCE_DIR}/help/korvale.html)
configure_file(${KORVALE_HELP_PAGE} ${PROJECT_BINARY_DIR}/korvale.html COPYONLY)

# Installation: `cmake --install build/release --prefix ~/.local` gives
#   <prefix>/lib/korvale/       korvale, korvale-headless, *.lng, korvale.html
#   <prefix>/share/icons/hicolor/scalable/apps/korvale.svg
#   <prefix>/share/applications/korvale.desktop   (Exec: the installed korvale)
# Korvale writes korvale.ini into its own directory, so choose a prefix the
# user who runs it can write to. scripts/install.sh does the same in one step.
set(KORVALE_INSTALL_DIR lib/korvale)
if(TARGET korvale)
  install(TARGETS korvale RUNTIME DESTINATION ${KORVALE_INSTALL_DIR})
endif()
if(TARGET korvale-headless)
  install(TARGETS korvale-headless RUNTIME DESTINATION ${KORVALE_INSTALL_DIR})
endif()
file(GLOB KORVALE_INSTALL_LANGUAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/lang/*.lng)
install(FILES ${KORVALE_INSTALL_LANGUAGES} ${KORVALE_HELP_PAGE} DESTINATION ${KORVALE_INSTALL_DIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/korvale.svg
        DESTINATION share/icons/hicolor/scalable/apps)

# The desktop entry's Exec and TryExec name the installed program by its
# absolute path, known only at install time (--prefix may change it).
set(KORVALE_DESKTOP_ENTRY ${PROJECT_SOURCE_DIR}/desktop/korvale.desktop)
install(CODE "set(KORVALE_DESKTOP_ENTRY \"${KORVALE_DESKTOP_ENTRY}\")
set(KORVALE_INSTALL_DIR \"${KORVALE_INSTALL_DIR}\")")
install(CODE [[
  set(program "${CMAKE_INSTALL_PREFIX}/${KORVALE_INSTALL_DIR}/korvale")
  set(exec "${program}")
  if(program MATCHES "[ \t\"`$\\\\]")
    string(REPLACE "\\" "\\\\\\\\" exec "${exec}")
    string(REPLACE "\"" "\\\\\"" exec "${exec}")
    string(REPLACE "`" "\\\\`" exec "${exec}")
    string(REPLACE "$" "\\\\$" exec "${exec}")
    set(exec "\"${exec}\"")
  endif()
  string(REPLACE "%" "%%" exec "${exec}")
  string(REPLACE "\\" "\\\\" tryexec "${program}")
  file(READ "${KORVALE_DESKTOP_ENTRY}" entry)
  # Literal replacements: a regular expression's replacement would eat the
  # backslashes of the escapes.
  string(REGEX MATCH "\nExec=[^\n]*" line "${entry}")
  string(REPLACE "${line}" "\nExec=${exec}" entry "${entry}")
  string(REGEX MATCH "\nTryExec=[^\n]*" line "${entry}")
  string(REPLACE "${line}" "\nTryExec=${tryexec}" entry "${entry}")
  set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/korvale.desktop")
  message(STATUS "Installing: ${target}")
  file(WRITE "${target}" "${entry}")
]])
