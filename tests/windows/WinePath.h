// Paths handed over from the Unix side, as Windows programs under Wine see them.
#pragma once

#include <algorithm>
#include <string>

// A Unix path becomes the same path on Wine's Z: drive; others stay as they are.
inline std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path.insert(0, "Z:");
    }
    return path;
}
