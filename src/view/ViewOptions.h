// quorvane-view's command line.
#pragma once

#include <string>

enum class ViewAction { Show, ListDisplays, Help, Version };

struct ViewOptions {
    ViewAction action = ViewAction::Show;
    int display = 0;   // SDL's index of the display to cover
    std::string error; // what was wrong with the command line, if anything
};

ViewOptions ParseViewOptions(int argc, const char *const *argv);

extern const char ViewUsage[];
extern const char ViewVersion[];
