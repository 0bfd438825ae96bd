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

// The display to cover of those listed now, at least one, by name: the one
// followed where it is listed, the first while it is away. Where none is
// followed yet, as when there was no display at the start, the one --display
// numbered becomes the one followed once there are that many.
std::string DisplayToCover(const std::vector<std::string> &listed, std::string &followed, size_t askedIndex);

extern const char ViewUsage[];
extern const char ViewVersion[];
