#include "view/ViewOptions.h"

#include <string.h>

const char ViewUsage[] =
    "usage: quorvane-view [--display N] | --list-displays | --help | --version\n"
    "Shows the Quorvane Pattern full screen, one pattern pixel on one display pixel.\n"
    "A left click pauses; OK or Enter returns, Exit or Esc ends.\n"
    "  --display N      cover display N (default 0, the first one listed)\n"
    "  --list-displays  list each display's index, name, size in device pixels and scale\n"
    "  --version        print the program's name and version\n"
    "Exit status: 0 ended by the user, 1 no usable video driver or display failure, 2 bad arguments.\n";

const char ViewVersion[] = "quorvane-view " QUORVANE_VERSION "\n";

namespace {

// A whole decimal number, no sign, at most seven digits.
bool ParseIndex(const char *text, int &index)
{
    const size_t length = strlen(text);
    if (length == 0 || length > 7 || strspn(text, "0123456789") != length) {
        return false;
    }
    index = 0;
    for (const char *digit = text; *digit; ++digit) {
        index = index * 10 + (*digit - '0');
    }
    return true;
}

} // namespace

ViewOptions ParseViewOptions(int argc, const char *const *argv)
{
    ViewOptions options;
    for (int i = 1; i < argc && options.error.empty(); ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            options.action = ViewAction::Help;
        } else if (argument == "--version") {
            options.action = ViewAction::Version;
        } else if (argument == "--list-displays") {
            options.action = ViewAction::ListDisplays;
        } else if (argument == "--display") {
            if (i + 1 == argc) {
                options.error = "--display needs a display index";
            } else if (!ParseIndex(argv[++i], options.display)) {
                options.error = std::string("--display takes a display index, not '").append(argv[i]).append("'");
            }
        } else {
            options.error = std::string("unknown argument '").append(argument).append("'");
        }
    }
    return options;
}
