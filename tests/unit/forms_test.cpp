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
