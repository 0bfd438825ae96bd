// Text for the console and the dialog, made without a C library: words and
// numbers appended to a buffer that stays terminated.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Line {
    char *text;
    size_t size, length;

    Line &operator<<(const char *words)
    {
        while (*words && length + 1 < size) {
            text[length++] = *words++;
        }
        text[length] = '\0';
        return *this;
    }

    Line &operator<<(uint32_t number)
    {
        char digits[11];
        char *first = digits + sizeof digits - 1;
        *first = '\0';
        do {
            *--first = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number != 0);
        return *this << first;
    }

    // 0x and as many hexadecimal digits as it takes.
    Line &Hex(uint32_t number)
    {
        char digits[11];
        char *first = digits + sizeof digits - 1;
        *first = '\0';
        do {
            *--first = "0123456789ABCDEF"[number & 0xF];
            number >>= 4;
        } while (number != 0);
        return *this << "0x" << first;
    }
};
