#include "desktop/desktop_program.h"

namespace korvale {

int RunDesktop(int, char**) {
    return 0;
}

}  // namespace korvale
