// The C64 screen drawn with the font's glyphs in the C64's colours.
#include "tools/C64Font.h"

namespace dyskel {

C64Picture DrawScreen(const C64Screen& screen, int scale) {
    C64Picture picture;
    picture.width = C64Columns * 8 * scale;
    picture.height = static_cast<int>(screen.rows.size()) * 8 * scale;
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height),
                          C64Palette[screen.background & 15]);
    for (std::size_t r = 0; r < screen.rows.size(); ++r)
        for (int c = 0; c < C64Columns; ++c) {
            const ScreenCell& cell = screen.rows[r][static_cast<std::size_t>(c)];
            const auto& glyph = C64Glyph(cell.code, screen.charset);
            const std::uint32_t ink = C64Palette[cell.colour & 15],
                                paper = C64Palette[screen.background & 15];
            for (int y = 0; y < 8 * scale; ++y) {
                const std::uint8_t bits = glyph[static_cast<std::size_t>(y / scale)];
                std::uint32_t* line =
                    picture.pixels.data() +
                    (r * 8 * static_cast<std::size_t>(scale) + static_cast<std::size_t>(y)) *
                        static_cast<std::size_t>(picture.width) +
                    static_cast<std::size_t>(c * 8 * scale);
                for (int x = 0; x < 8 * scale; ++x) {
                    const bool on = ((bits >> (7 - x / scale)) & 1) != cell.reversed;
                    line[x] = on ? ink : paper;
                }
            }
        }
    return picture;
}

} // namespace dyskel
