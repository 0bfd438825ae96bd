#include "view/ConsoleKeys.h"

std::vector<VideoEventKind> ConsoleKeys(const char *bytes, size_t count)
{
    std::vector<VideoEventKind> keys;
    for (size_t i = 0; i < count; ++i) {
        switch (bytes[i]) {
        case '\x1b':
            if (i + 1 == count || bytes[i + 1] == '\x1b') {
                keys.push_back(VideoEventKind::Escape);
            } else if (bytes[++i] == '[') {
                // Parameters and intermediates up to the final byte, which ends it.
                while (i + 1 < count && (bytes[i + 1] < 0x40 || bytes[i + 1] > 0x7E)) {
                    ++i;
                }
                ++i;
            } else if (bytes[i] == 'O') {
                ++i; // one byte more
            }
            break;
        case '\r':
        case '\n':
            keys.push_back(VideoEventKind::Enter);
            break;
        case ' ':
            keys.push_back(VideoEventKind::Pause);
            break;
        case '\x03': // Ctrl-C ends as Esc does
            keys.push_back(VideoEventKind::Escape);
            break;
        }
    }
    return keys;
}
