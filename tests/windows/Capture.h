// Reading pixels back from a device context, as COLORREF values.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <vector>

// The width x height pixels at the source DC's origin, top row first.
inline std::vector<uint32_t> CapturePixels(HDC source, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HDC memoryDc = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    BitBlt(memoryDc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    // A 32-bit DIB holds 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    const uint32_t *rgb = static_cast<const uint32_t *>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = ((rgb[i] & 0xFF) << 16) | (rgb[i] & 0xFF00) | ((rgb[i] >> 16) & 0xFF);
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    return pixels;
}
