#include "view/ViewOptions.h"

#include "view/DriverChoice.h"

#include <string.h>

#include <algorithm>

const char ViewUsage[] =
    "usage: quorvane-view [--driver LIST] [--display N|NAME] | [--driver LIST] --list-displays | --help | --version\n"
    "Shows the Quorvane Pattern full screen, one pattern pixel on one display pixel.\n"
    "A left click (or Space on the console) pauses; OK or Enter returns, Exit or Esc (or Ctrl-C on the console) ends.\n"
    "  --display N|NAME cover display N, or the one so named, and follow it (default 0, the first listed)\n"
    "  --driver LIST    the video drivers to try, in order (default wayland,x11,kmsdrm)\n"
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
    ParseDrivers(DefaultDrivers, options.drivers, options.error);
    for (int i = 1; i < argc && options.error.empty(); ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            options.action = ViewAction::Help;
        } else if (argument == "--version") {
            options.action = ViewAction::Version;
        } else if (argument == "--list-displays") {
            options.action = ViewAction::ListDisplays;
        } else if (argument == "--display") {
            if (i + 1 == argc || !*argv[i + 1]) {
                options.error = "--display needs a display index or name";
            } else if (ParseIndex(argv[++i], options.display)) {
                options.displayName.clear(); // the last one given counts, as for every option
            } else {
                options.displayName = argv[i];
            }
        } else if (argument == "--driver") {
            if (i + 1 == argc) {
                options.error = "--driver needs a list of video drivers";
            } else if (!ParseDrivers(argv[++i], options.drivers, options.error)) {
                options.error = "--driver: " + options.error;
            }
        } else {
            options.error = std::string("unknown argument '").append(argument).append("'");
        }
    }
    return options;
}

std::string DisplayToCover(const std::vector<std::string> &listed, std::string &followed, size_t askedIndex)
{
    if (followed.empty() && askedIndex < listed.size()) {
        followed = listed[askedIndex];
    }
    return std::find(listed.begin(), listed.end(), followed) != listed.end() ? followed : listed.front();
}
