// quorvane-view's command line.
#pragma once

#include <string>
#include <vector>

enum class ViewAction { Show, ListDisplays, Help, Version };

struct ViewOptions {
    ViewAction action = ViewAction::Show;
    int display = 0;               // the index of the display to cover, as --list-displays numbers them
    std::string displayName;       // or its name, where one was given
    std::vector<std::string> drivers; // the video drivers to try, in order
    std::string error; // what was wrong with the command line, if anything
};

ViewOptions ParseViewOptions(int argc, const char *const *argv);

extern const char ViewUsage[];
extern const char ViewVersion[];
