#include "editor/widgets/icon_button.h"

#include <gtest/gtest.h>

#include "tests/editor/click_listener.h"
#include "tests/editor/recording_node.h"

namespace {

constexpr int kNormal = 301, kPressed = 302, kHover = 303;

class IconButtonTest : public ::testing::Test {
protected:
    RecordingWindow window{200, 100};
    ClickListener* strip = new ClickListener(&window, &window, 0, 0, 200, 50);
    CGP_IconButton* button =
        new CGP_IconButton(strip, &window, 10, 10, 20, 20, kNormal, kPressed, kHover, false);
    CGP_IconButton* toggle =
        new CGP_IconButton(strip, &window, 40, 10, 20, 20, kNormal, kPressed, kHover, true);

    void TearDown() override { window.DeleteChildren(); }
    void Click(int x, int y) {
        window.OnMouseMove(x, y, 0);
        window.OnButtonDown(x, y, 0, false, false);
        window.OnButtonUp(x, y, 0, false, false);
    }
};

TEST_F(IconButtonTest, ShowsTheImageOfItsState) {
    EXPECT_EQ(button->CurrentImage(), kNormal);
    window.OnMouseMove(15, 15, 0);
    EXPECT_EQ(button->CurrentImage(), kHover);
    EXPECT_EQ(window.cursorKind, 2);
    window.OnButtonDown(15, 15, 0, false, false);
    EXPECT_EQ(button->CurrentImage(), kPressed);
    window.OnButtonUp(15, 15, 0, false, false);
    EXPECT_EQ(button->CurrentImage(), kHover);
    window.OnMouseMove(100, 40, 0);
    EXPECT_EQ(button->CurrentImage(), kNormal);
    EXPECT_EQ(window.cursorKind, 0);
    toggle->SetChecked(true);
    EXPECT_EQ(toggle->CurrentImage(), kPressed);
}

TEST_F(IconButtonTest, AClickNotifiesAndFlipsAToggle) {
    Click(15, 15);
    ASSERT_EQ(strip->reports.size(), 1u);
    EXPECT_EQ(strip->reports[0], std::make_pair(1, static_cast<CGP_Graphic*>(button)));
    EXPECT_FALSE(button->checked);

    Click(45, 15);
    EXPECT_TRUE(toggle->checked);
    Click(45, 15);
    EXPECT_FALSE(toggle->checked);
    EXPECT_EQ(strip->reports.size(), 3u);
}

TEST_F(IconButtonTest, APressTheMouseTookAwayIsNoClick) {
    window.OnMouseMove(45, 15, 0);
    window.OnButtonDown(45, 15, 0, false, false);
    window.OnMouseMove(100, 40, 0); // leaving clears the press
    window.OnMouseMove(45, 15, 0);
    window.OnButtonUp(45, 15, 0, false, false);
    EXPECT_FALSE(toggle->checked);
    EXPECT_TRUE(strip->reports.empty());

    // A press that began outside the button does not count either.
    window.OnMouseMove(100, 40, 0);
    window.OnButtonDown(100, 40, 0, false, false);
    window.OnMouseMove(15, 15, 0);
    window.OnButtonUp(15, 15, 0, false, false);
    EXPECT_TRUE(strip->reports.empty());
}

} // namespace
