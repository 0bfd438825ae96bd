// The keys the viewer answers in what the console's terminal sent, raw: Esc,
// Enter, Space and Ctrl-C. Platform-free, so that the host tests hold it.
#pragma once

#include "view/Video.h"

#include <stddef.h>

#include <vector>

// The sequences other keys send (arrows, function keys, Alt with a key) start
// with the Esc byte too, and are passed over: Esc is the byte alone, last in
// what was read or before another Esc, as several keys may come in one read.
std::vector<VideoEventKind> ConsoleKeys(const char *bytes, size_t count);
