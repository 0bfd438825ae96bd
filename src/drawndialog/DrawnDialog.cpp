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
constexpr int ButtonsWidth = 2 * ButtonWidth + ButtonSpacing;

constexpr uint32_t Black = 0x000000;
constexpr uint32_t Face = 0xC0C0C0;

int TextWidth(int length)
{
    return length == 0 ? 0 : length * GlyphAdvance - 1;
}

int TextWidth(const char *text)
{
    return TextWidth(static_cast<int>(strlen(text)));
}

// Breaks text into rows of at most columns characters, at the last space that
// allows, or inside a word too long for a row; the spaces at a break are
// dropped. Text beyond the last row that fits stays in that row, to be cut.
int WrapText(const char *text, int columns, TextSpan *rows)
{
    const int length = static_cast<int>(strlen(text));
    int count = 0;
    for (int start = 0; start < length && count < MaxTechnicianRows;) {
        int end = length;
        if (length - start > columns && count + 1 < MaxTechnicianRows) {
            end = start + columns;
            while (end > start && text[end] != ' ') {
                --end;
            }
            if (end == start) {
                end = start + columns;
            }
        }
        int last = end;
        while (last > start && text[last - 1] == ' ') {
            --last;
        }
        rows[count++] = TextSpan{start, last - start};
        start = end;
        while (start < length && text[start] == ' ') {
            ++start;
        }
    }
    return count;
}

// The dialog at one scale, centred, with the technician's line wrapped to
// what the frame's width leaves at that scale.
DialogLayout LayoutAt(int scale, int width, int height, const char *technicianLine)
{
    const int fixedWidth = std::max({TextWidth(DialogTitle), TextWidth(DialogCredit), ButtonsWidth, IconSide});
    const int wrapWidth = std::max(fixedWidth, width / scale - 2 * Padding);
    DialogLayout layout{};
    layout.scale = scale;
    layout.technicianRows = WrapText(technicianLine, (wrapWidth + 1) / GlyphAdvance, layout.technician);
    int contentWidth = fixedWidth;
    for (int i = 0; i < layout.technicianRows; ++i) {
        contentWidth = std::max(contentWidth, TextWidth(layout.technician[i].length));
    }
    const int boxWidth = contentWidth + 2 * Padding;
    const int titleTop = Padding + IconSide + IconGap;
    const int creditTop = titleTop + 2 * LinePitch; // a blank line between
    const int technicianTop = creditTop + TechnicianGap;
    const int technicianHeight = GlyphHeight + (std::max(layout.technicianRows, 1) - 1) * LinePitch;
    const int buttonsTop = technicianTop + technicianHeight + ButtonGap;
    const int boxHeight = buttonsTop + ButtonHeight + Padding;

    layout.box = {(width - boxWidth * scale) / 2, (height - boxHeight * scale) / 2, boxWidth * scale,
                  boxHeight * scale};
    const int centreX = layout.box.x + layout.box.width / 2;
    layout.icon = {centreX - IconSide * scale / 2, layout.box.y + Padding * scale, IconSide * scale,
                   IconSide * scale};
    layout.titleTop = layout.box.y + titleTop * scale;
    layout.creditTop = layout.box.y + creditTop * scale;
    layout.technicianTop = layout.box.y + technicianTop * scale;
    const int buttonsLeft = centreX - ButtonsWidth * scale / 2;
    const int buttonsY = layout.box.y + buttonsTop * scale;
    layout.ok = {buttonsLeft, buttonsY, ButtonWidth * scale, ButtonHeight * scale};
    layout.exit = {buttonsLeft + (ButtonWidth + ButtonSpacing) * scale, buttonsY, ButtonWidth * scale,
                   ButtonHeight * scale};
    return layout;
}

bool Inside(const PixelRect &rect, int width, int height)
{
    return rect.x >= 0 && rect.y >= 0 && rect.x + rect.width <= width && rect.y + rect.height <= height;
}

// The rows of a frame that one call draws, with every fill clipped to them.
struct Band {
    uint32_t *rows;
    int width, firstRow, endRow;

    bool Crosses(int top, int rowCount) const { return top < endRow && top + rowCount > firstRow; }

    void Fill(int x, int y, int w, int h, uint32_t colour) const
    {
        const int left = std::max(x, 0), right = std::min(x + w, width);
        const int top = std::max(y, firstRow), bottom = std::min(y + h, endRow);
        if (left >= right) {
            return;
        }
        for (int row = top; row < bottom; ++row) {
            uint32_t *line = rows + static_cast<size_t>(row - firstRow) * static_cast<size_t>(width);
            std::fill(line + left, line + right, colour);
        }
    }

    void Outline(const PixelRect &rect, int thickness) const
    {
        Fill(rect.x, rect.y, rect.width, thickness, Black);
        Fill(rect.x, rect.y + rect.height - thickness, rect.width, thickness, Black);
        Fill(rect.x, rect.y, thickness, rect.height, Black);
        Fill(rect.x + rect.width - thickness, rect.y, thickness, rect.height, Black);
    }

    // length characters of black text centred on centreX, each font pixel
    // scale x scale.
    void Text(const char *text, int length, int centreX, int top, int scale) const
    {
        if (!Crosses(top, GlyphHeight * scale)) {
            return;
        }
        int x = centreX - TextWidth(length) * scale / 2;
        for (int i = 0; i < length; ++i) {
            const uint8_t *glyph = GlyphRows(text[i]);
            for (int row = 0; row < GlyphHeight; ++row) {
                for (int column = 0; column < GlyphWidth; ++column) {
                    if (glyph[row] & (0x10 >> column)) {
                        Fill(x + column * scale, top + row * scale, scale, scale, Black);
                    }
                }
            }
            x += GlyphAdvance * scale;
        }
    }

    void Text(const char *text, int centreX, int top, int scale) const
    {
        Text(text, static_cast<int>(strlen(text)), centreX, top, scale);
    }
};

} // namespace

DialogLayout LayoutDialog(int width, int height, const char *technicianLine)
{
    int scale = std::max(1, std::min(width / 640, height / 480));
    DialogLayout layout = LayoutAt(scale, width, height, technicianLine);
    while (scale > 1 && !Inside(layout.box, width, height)) {
        layout = LayoutAt(--scale, width, height, technicianLine);
    }
    // Too small a frame for the whole dialog: the buttons at least stay on
    // it, side by side, narrowed as far as it takes.
    if (!Inside(layout.ok, width, height) || !Inside(layout.exit, width, height)) {
        const int s = layout.scale;
        const int h = std::min(ButtonHeight * s, height);
        const int y = std::clamp(layout.ok.y, 0, std::max(height - h, 0));
        const int gap = std::min(ButtonSpacing * s, width / 5);
        const int w = std::min(ButtonWidth * s, (width - gap) / 2);
        const int left = (width - 2 * w - gap) / 2;
        layout.ok = {left, y, w, h};
        layout.exit = {left + w + gap, y, w, h};
    }
    return layout;
}

void DrawDialogBand(const DialogLayout &layout, const char *technicianLine, int width, int height, int firstRow,
                    int rowCount, uint32_t *rows)
{
    if (width <= 0 || firstRow < 0 || rowCount <= 0 || firstRow >= height) {
        return;
    }
    const Band band{rows, width, firstRow, std::min(firstRow + rowCount, height)};
    const int scale = layout.scale;
    band.Fill(0, firstRow, width, rowCount, Black);
    band.Fill(layout.box.x, layout.box.y, layout.box.width, layout.box.height, Face);
    band.Outline(layout.box, scale);

    // Made once, when first drawn: it takes a picture of the whole pattern.
    if (band.Crosses(layout.icon.y, layout.icon.height)) {
        static IconColourRefs icon;
        static bool made = false;
        if (!made) {
            icon = MakeIconColourRefs(Face);
            made = true;
        }
        for (int y = 0; y < IconSide; ++y) {
            for (int x = 0; x < IconSide; ++x) {
                band.Fill(layout.icon.x + x * scale, layout.icon.y + y * scale, scale, scale,
                          icon.pixels[y * IconSide + x]);
            }
        }
    }

    const int centreX = layout.box.x + layout.box.width / 2;
    band.Text(DialogTitle, centreX, layout.titleTop, scale);
    band.Text(DialogCredit, centreX, layout.creditTop, scale);
    for (int i = 0; i < layout.technicianRows; ++i) {
        const TextSpan &row = layout.technician[i];
        band.Text(technicianLine + row.start, row.length, centreX, layout.technicianTop + i * LinePitch * scale,
                  scale);
    }

    // OK is the default button, so Enter's, with the heavier outline.
    for (const PixelRect *button : {&layout.ok, &layout.exit}) {
        const bool ok = button == &layout.ok;
        const int labelTop = button->y + (button->height - GlyphHeight * scale) / 2;
        band.Fill(button->x, button->y, button->width, button->height, Face);
        band.Outline(*button, ok ? 2 * scale : scale);
        band.Text(ok ? "OK" : "Exit", button->x + button->width / 2, labelTop, scale);
    }
}

DialogButton ButtonAt(const DialogLayout &layout, int x, int y)
{
    if (layout.ok.Contains(x, y)) {
        return DialogButton::Ok;
    }
    return layout.exit.Contains(x, y) ? DialogButton::Exit : DialogButton::None;
}
