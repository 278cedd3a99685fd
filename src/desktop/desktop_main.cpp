// korvale: the desktop program. No command-line options: everything is set
// in the INI file beside the executable.
#include "desktop/desktop_program.h"

int main(int argc, char** argv) {
    return korvale::RunDesktop(argc, argv);
}
