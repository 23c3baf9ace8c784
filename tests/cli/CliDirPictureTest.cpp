// dir --png against a picture the test draws itself from the "C-64" font:
// the screen typed by hand, each character rendered by FreeType, in the C64's
// blue and light blue.
#include "CliFixture.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <cstdio>
#include <memory>

namespace dyskel::test {
namespace {

constexpr std::uint32_t Blue = 0x352879, LightBlue = 0x6C5EB5;
constexpr const char* Font = "/usr/share/fonts/truetype/sixtyfour/C-64-Regular.ttf";

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    bool operator==(const Picture&) const = default;
};

Picture ReadPng(const std::string& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return p;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        p.pixels.push_back(std::uint32_t(rgb[i]) << 16 | std::uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
    return p;
}

// Rows of ASCII text drawn 8 by 8 a character from the font at 8 pixels (one
// font pixel a C64 pixel, the base line 7 pixels down), reversed from column
// revFrom to revTo of the first row.
Picture Reference(const std::vector<std::string>& rows, int revFrom, int revTo, int scale) {
    FT_Library lib;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&lib), 0);
    EXPECT_EQ(FT_New_Face(lib, Font, 0, &face), 0);
    FT_Set_Pixel_Sizes(face, 0, 8);
    Picture p{320 * scale, static_cast<int>(rows.size()) * 8 * scale, {}};
    p.pixels.assign(std::size_t(p.width) * std::size_t(p.height), Blue);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 40; ++c) {
            const char ch = c < int(rows[r].size()) ? rows[r][std::size_t(c)] : ' ';
            bool on[8][8] = {};
            FT_Load_Char(face, FT_ULong(static_cast<unsigned char>(ch)),
                         FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
            const FT_GlyphSlot g = face->glyph;
            for (int y = 0; y < int(g->bitmap.rows); ++y)
                for (int x = 0; x < int(g->bitmap.width); ++x)
                    if ((g->bitmap.buffer[y * g->bitmap.pitch + x / 8] >> (7 - x % 8)) & 1)
                        on[7 - g->bitmap_top + y][g->bitmap_left + x] = true;
            const bool reversed = r == 0 && c >= revFrom && c <= revTo;
            for (int y = 0; y < 8 * scale; ++y)
                for (int x = 0; x < 8 * scale; ++x)
                    p.pixels[std::size_t((int(r) * 8 * scale + y) * p.width + c * 8 * scale + x)] =
                        on[y / scale][x / scale] != reversed ? LightBlue : Blue;
        }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return p;
}

struct PictureCase {
    const char* name;
    std::vector<std::string> args;
    int scale;
    std::vector<std::string> rows;
};

class DirPicture : public Cli, public testing::WithParamInterface<PictureCase> {};

TEST_P(DirPicture, PixelForPixelAsTheFontDrawsTheScreen) {
    const PictureCase& c = GetParam();
    const std::string png = dir.File("dir.png");
    std::vector<std::string> args = {"dir", "--png", png};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(image);
    const CliResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const Picture got = ReadPng(png);
    const Picture want = Reference(c.rows, 2, 25, c.scale);
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    EXPECT_TRUE(got == want);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, DirPicture,
    testing::Values(PictureCase{"UpperCase",
                                {},
                                1,
                                {"0 \"GAMES           \" 01 2A", "1    \"HELLO\"            PRG",
                                 "2    \"LOG\"              SEQ", "1    \"LOCKED PROGRAM16\" PRG<",
                                 "659 BLOCKS FREE.", "READY."}},
                    PictureCase{"LowerCaseTwiceAsLarge",
                                {"--charset", "lower", "--scale", "2"},
                                2,
                                {"0 \"games           \" 01 2a", "1    \"hello\"            prg",
                                 "2    \"log\"              seq", "1    \"locked program16\" prg<",
                                 "659 blocks free.", "ready."}}),
    [](const testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

TEST_F(Cli, DirPictureOptionsAreChecked) {
    EXPECT_EQ(Run({"dir", "--png", dir.File("x.png"), "--charset", "greek", image}).exitCode, 2);
    EXPECT_EQ(Run({"dir", "--png", dir.File("x.png"), "--scale", "0", image}).exitCode, 2);
    EXPECT_EQ(Run({"dir", "--scale", "2", image}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
}

} // namespace
} // namespace dyskel::test
