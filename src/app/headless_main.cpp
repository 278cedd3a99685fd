// korvale-headless: the gateway without a window. No command-line options:
// everything is set in the INI file beside the executable.
#include "app/headless_runner.h"

int main(int, char** argv) {
    return korvale::RunHeadless(argv[0] != nullptr ? argv[0] : "");
}
