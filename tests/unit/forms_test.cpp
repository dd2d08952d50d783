#include <gtest/gtest.h>

#include "forms/form.h"
#include "forms/picture.h"

using namespace corvid;

TEST(FormModel, ProgramSetStatesFireClickHandlersOnlyOnChange) {
    Form f("F");
    Control& panel = f.Add("P", ControlKind::Panel, 0, 0, 100, 100);
    Control& a = f.Add("a", ControlKind::RadioButton, 0, 0, 10, 10, &panel);
    Control& b = f.Add("b", ControlKind::RadioButton, 0, 20, 10, 10, &panel);
    Control& other = f.Add("c", ControlKind::RadioButton, 0, 40, 10, 10); // another group
    Control& box = f.Add("box", ControlKind::CheckBox, 0, 60, 10, 10);
    int clicks = 0;
    for (Control* c : {&a, &b, &other, &box}) c->onClick = [&] { ++clicks; };

    a.SetChecked(true);
    other.SetChecked(true);
    EXPECT_EQ(clicks, 2);
    b.SetChecked(true);
    EXPECT_FALSE(a.checked);    // same panel: one group
    EXPECT_TRUE(other.checked); // other parent: untouched
    EXPECT_EQ(clicks, 3);
    b.SetChecked(true); // no change, no click
    EXPECT_EQ(clicks, 3);
    box.UserClick(); // the user toggles a box
    EXPECT_TRUE(box.checked);
    box.SetChecked(false);
    EXPECT_EQ(clicks, 5);
    a.UserClick(); // clicking an unchecked radio button checks it
    EXPECT_TRUE(a.checked);
    EXPECT_FALSE(b.checked);
}

TEST(FormModel, GaugesClampAndVisibilityFollowsParents) {
    Form f("F");
    Control& panel = f.Add("P", ControlKind::Panel, 0, 0, 100, 100);
    Control& g = f.Add("g", ControlKind::Gauge, 0, 0, 10, 10, &panel);
    g.SetPosition(140);
    EXPECT_EQ(g.position, 100);
    g.SetPosition(-3);
    EXPECT_EQ(g.position, 0);
    EXPECT_FALSE(g.Showing());
    f.Show();
    EXPECT_TRUE(g.Showing());
    panel.SetVisible(false);
    EXPECT_FALSE(g.Showing());
    EXPECT_THROW(f["missing"], std::logic_error);
}

TEST(Pictures, OnlyWellFormedBitmapsLoad) {
    EXPECT_FALSE(Picture::FromBmp({}));
    EXPECT_FALSE(Picture::FromBmp(std::vector<uint8_t>(60, 0)));
    auto icon = BuiltinIconPicture(BuiltinIcon::Disk);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 32);
    std::vector<uint8_t> cut(icon->bytes.begin(), icon->bytes.begin() + 40);
    EXPECT_FALSE(Picture::FromBmp(cut));
    // Headers that read well but pixels that cannot be drawn: the last row missing, or a depth
    // no bitmap has.
    std::vector<uint8_t> shortRows(icon->bytes.begin(), icon->bytes.end() - 1);
    EXPECT_FALSE(Picture::FromBmp(shortRows));
    std::vector<uint8_t> oddDepth = icon->bytes;
    oddDepth[28] = 2;
    EXPECT_FALSE(Picture::FromBmp(oddDepth));
    EXPECT_TRUE(Picture::FromBmp(icon->bytes));
}

TEST(Pictures, DrawableBitmapsHaveTheirPaletteMasksAndRows) {
    // 3 x 2 pixels, 4 bits each, 5 colours used: rows of 4 bytes.
    std::vector<uint8_t> b;
    PutBmpHeaders(b, 3, -2, 4, BmpInfo::kRgb, 5, 5 * 4, 8);
    b.resize(b.size() + 5 * 4 + 8, 0x11);
    BmpInfo info;
    ASSERT_TRUE(info.ReadDrawable(b.data(), b.size()));
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_TRUE(info.topDown);
    EXPECT_EQ(info.paletteOffset, 54u);
    EXPECT_EQ(info.paletteCount, 5u);
    EXPECT_EQ(info.pixelOffset, 74u);
    // A missing last byte of pixels is enough to refuse drawing; loading still accepts it.
    EXPECT_FALSE(info.ReadDrawable(b.data(), b.size() - 1));
    EXPECT_TRUE(info.Read(b.data(), b.size() - 1));
    // Compressed rows cannot run top-down, and the depth must fit the compression.
    b[30] = BmpInfo::kRle4;
    EXPECT_FALSE(info.ReadDrawable(b.data(), b.size()));
    b[22] = 2, b[23] = b[24] = b[25] = 0; // bottom-up
    EXPECT_TRUE(info.ReadDrawable(b.data(), b.size()));
    b[30] = BmpInfo::kRle8;
    EXPECT_FALSE(info.ReadDrawable(b.data(), b.size()));

    // Bit fields: the three masks follow a plain header and take the palette's place.
    std::vector<uint8_t> f;
    PutBmpHeaders(f, 2, 1, 16, BmpInfo::kBitFields, 0, 12, 4);
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) PutLe32(f, m);
    PutLe32(f, 0xFFFF0000);
    ASSERT_TRUE(info.ReadDrawable(f.data(), f.size()));
    EXPECT_EQ(info.masksOffset, 54u);
    EXPECT_EQ(info.paletteCount, 0u);
    f[28] = 24; // masks only go with 16 or 32 bits
    EXPECT_FALSE(info.ReadDrawable(f.data(), f.size()));

    // The old core header: a palette of RGB triples.
    std::vector<uint8_t> c{'B', 'M'};
    PutLe32(c, 0);
    PutLe32(c, 0);
    PutLe32(c, 14 + 12 + 2 * 3);
    PutLe32(c, 12);
    for (uint16_t v : {1, 1, 1, 1}) PutLe16(c, v); // 1 x 1 pixel, 1 plane, 1 bit
    c.resize(14 + 12 + 2 * 3 + 4);
    ASSERT_TRUE(info.ReadDrawable(c.data(), c.size()));
    EXPECT_EQ(info.paletteEntrySize, 3u);
    EXPECT_EQ(info.paletteCount, 2u);
    c[10] = 14 + 12; // pixels said to start at the palette: loading takes it, drawing does not
    EXPECT_TRUE(info.Read(c.data(), 14 + 12 + 5));
    EXPECT_FALSE(info.ReadDrawable(c.data(), 14 + 12 + 5));
}

TEST(Pictures, GradientFallsFromBlueToBlackInSixteenBands) {
    auto g = GradientPicture();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 1);
    EXPECT_EQ(g->height, 768);
    EXPECT_EQ(g->bytes[28], 8); // 256 colours
    const size_t pixels = g->bytes[10] | (g->bytes[11] << 8);
    auto blue = [&](int row) {
        uint8_t index = g->bytes[pixels + 4 * row]; // top-down rows of 4 bytes
        return g->bytes[54 + 4 * index];
    };
    EXPECT_EQ(blue(0), 255);
    for (int k = 0; k < 15; ++k) EXPECT_NEAR(blue(48 * k + 24), 239 - 16 * k, 16) << k;
    EXPECT_EQ(blue(767), 0);
    for (int row = 1; row < 768; ++row) EXPECT_LE(blue(row), blue(row - 1) + 8) << row;
}
