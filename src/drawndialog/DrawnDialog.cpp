#include "drawndialog/DrawnDialog.h"

#include "drawndialog/BitmapFont.h"
#include "icon/IconPicture.h"

#include <algorithm>

#include <string.h>

namespace {

// The dialog's proportions, in font pixels.
constexpr int Padding = 10;
constexpr int IconGap = 8;
constexpr int LinePitch = 11;
constexpr int TechnicianGap = 14;
constexpr int ButtonGap = 12;
constexpr int ButtonWidth = 44;
constexpr int ButtonHeight = 15;
constexpr int ButtonSpacing = 20;

constexpr uint32_t Black = 0x000000;
constexpr uint32_t Face = 0xC0C0C0;

int TextWidth(const char *text)
{
    const size_t length = strlen(text);
    return length == 0 ? 0 : static_cast<int>(length) * GlyphAdvance - 1;
}

struct Frame {
    uint32_t *pixels;
    int width, height;

    void Fill(int x, int y, int w, int h, uint32_t colour) const
    {
        const int left = std::max(x, 0), right = std::min(x + w, width);
        const int top = std::max(y, 0), bottom = std::min(y + h, height);
        for (int row = top; row < bottom; ++row) {
            std::fill(pixels + static_cast<size_t>(row) * width + left, pixels + static_cast<size_t>(row) * width + right,
                      colour);
        }
    }

    void Outline(const PixelRect &rect, int thickness) const
    {
        Fill(rect.x, rect.y, rect.width, thickness, Black);
        Fill(rect.x, rect.y + rect.height - thickness, rect.width, thickness, Black);
        Fill(rect.x, rect.y, thickness, rect.height, Black);
        Fill(rect.x + rect.width - thickness, rect.y, thickness, rect.height, Black);
    }

    // Black text centred on centreX, each font pixel scale x scale.
    void Text(const char *text, int centreX, int top, int scale) const
    {
        int x = centreX - TextWidth(text) * scale / 2;
        for (const char *c = text; *c; ++c) {
            const uint8_t *rows = GlyphRows(*c);
            for (int row = 0; row < GlyphHeight; ++row) {
                for (int column = 0; column < GlyphWidth; ++column) {
                    if (rows[row] & (0x10 >> column)) {
                        Fill(x + column * scale, top + row * scale, scale, scale, Black);
                    }
                }
            }
            x += GlyphAdvance * scale;
        }
    }
};

} // namespace

DialogLayout LayoutDialog(int width, int height, const char *technicianLine)
{
    const int buttonsWidth = 2 * ButtonWidth + ButtonSpacing;
    const int contentWidth = std::max({TextWidth(DialogTitle), TextWidth(DialogCredit), TextWidth(technicianLine),
                                       buttonsWidth, IconSide});
    const int boxWidth = contentWidth + 2 * Padding;
    const int titleTop = Padding + IconSide + IconGap;
    const int creditTop = titleTop + 2 * LinePitch; // a blank line between
    const int technicianTop = creditTop + TechnicianGap;
    const int buttonsTop = technicianTop + GlyphHeight + ButtonGap;
    const int boxHeight = buttonsTop + ButtonHeight + Padding;

    int scale = std::max(1, std::min(width / 640, height / 480));
    while (scale > 1 && (boxWidth * scale > width || boxHeight * scale > height)) {
        --scale;
    }
    DialogLayout layout{};
    layout.scale = scale;
    layout.box = {(width - boxWidth * scale) / 2, (height - boxHeight * scale) / 2, boxWidth * scale,
                  boxHeight * scale};
    const int centreX = layout.box.x + layout.box.width / 2;
    layout.icon = {centreX - IconSide * scale / 2, layout.box.y + Padding * scale, IconSide * scale,
                   IconSide * scale};
    layout.titleTop = layout.box.y + titleTop * scale;
    layout.creditTop = layout.box.y + creditTop * scale;
    layout.technicianTop = layout.box.y + technicianTop * scale;
    const int buttonsLeft = centreX - buttonsWidth * scale / 2;
    const int buttonsY = layout.box.y + buttonsTop * scale;
    layout.ok = {buttonsLeft, buttonsY, ButtonWidth * scale, ButtonHeight * scale};
    layout.exit = {buttonsLeft + (ButtonWidth + ButtonSpacing) * scale, buttonsY, ButtonWidth * scale,
                   ButtonHeight * scale};
    return layout;
}

void DrawDialog(const DialogLayout &layout, const char *technicianLine, uint32_t *pixels, int width,
                int height)
{
    const Frame frame{pixels, width, height};
    const int scale = layout.scale;
    frame.Fill(0, 0, width, height, Black);
    frame.Fill(layout.box.x, layout.box.y, layout.box.width, layout.box.height, Face);
    frame.Outline(layout.box, scale);

    const IconColourRefs icon = MakeIconColourRefs(Face);
    for (int y = 0; y < IconSide; ++y) {
        for (int x = 0; x < IconSide; ++x) {
            frame.Fill(layout.icon.x + x * scale, layout.icon.y + y * scale, scale, scale,
                       icon.pixels[y * IconSide + x]);
        }
    }

    const int centreX = layout.box.x + layout.box.width / 2;
    frame.Text(DialogTitle, centreX, layout.titleTop, scale);
    frame.Text(DialogCredit, centreX, layout.creditTop, scale);
    frame.Text(technicianLine, centreX, layout.technicianTop, scale);

    // OK is the default button, so Enter's, with the heavier outline.
    const int labelTop = (ButtonHeight - GlyphHeight) / 2 * scale;
    frame.Outline(layout.ok, 2 * scale);
    frame.Text("OK", layout.ok.x + layout.ok.width / 2, layout.ok.y + labelTop, scale);
    frame.Outline(layout.exit, scale);
    frame.Text("Exit", layout.exit.x + layout.exit.width / 2, layout.exit.y + labelTop, scale);
}

DialogButton ButtonAt(const DialogLayout &layout, int x, int y)
{
    if (layout.ok.Contains(x, y)) {
        return DialogButton::Ok;
    }
    return layout.exit.Contains(x, y) ? DialogButton::Exit : DialogButton::None;
}
