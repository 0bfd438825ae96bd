// The drawing list as text, one entry a line: the kind's name, then its
// fields in decimal, colours as 0x and eight upper-case hex digits.
#pragma once

#include "pattern/PatternOp.h"

#include <stddef.h>

// Writes one line (with its newline, without a terminating zero) into buffer,
// which must hold PatternOpTextMax characters; returns its length.
inline constexpr size_t PatternOpTextMax = 80;
size_t FormatPatternOp(const PatternOp &op, char *buffer);
