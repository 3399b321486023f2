#include "program/program_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
// Screen colour at a point of the window's client area.
COLORREF ClientPixel(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

int Distance(COLORREF a, COLORREF b)
{
    return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) + abs(GetBValue(a) - GetBValue(b));
}

const COLORREF kChocolate = RGB(210, 105, 30);
const COLORREF kCornflowerBlue = RGB(100, 149, 237);
}  // namespace

class BackgroundTest : public testing::Test {
protected:
    void SetUp() override
    {
        program_ = std::make_unique<RunningProgram>(home_);
        ASSERT_TRUE(program_->WaitUntilShown());
        window_ = program_->Window();
        SetForegroundWindow(window_);
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        program_->Sync();
        Sleep(300);
        GetClientRect(window_, &client_);
    }

    ScratchFolder home_;
    std::unique_ptr<RunningProgram> program_;
    HWND window_ = nullptr;
    RECT client_ = {};
};

TEST_F(BackgroundTest, GradientRunsFromChocolateTopLeftToCornflowerBlueBottomRight)
{
    int right = client_.right - 1, bottom = client_.bottom - 1;
    EXPECT_LE(Distance(ClientPixel(window_, 0, 0), kChocolate), 6);
    EXPECT_LE(Distance(ClientPixel(window_, right, bottom), kCornflowerBlue), 6);

    // Along the diagonal the colour moves steadily from one to the other.
    int previous = 0;
    for (int step = 1; step <= 4; ++step) {
        int x = right * step / 5, y = bottom * step / 5;
        // Skip points that fall on a control.
        if (ChildWindowFromPoint(window_, {x, y}) != window_)
            continue;
        int fromStart = Distance(ClientPixel(window_, x, y), kChocolate);
        EXPECT_GT(fromStart, previous) << "at " << x << "," << y;
        previous = fromStart;
    }
    // Not along one axis: the other two corners are both in between.
    for (POINT corner : {POINT{right, 0}, POINT{0, bottom}}) {
        COLORREF colour = ClientPixel(window_, corner.x, corner.y);
        EXPECT_GT(Distance(colour, kChocolate), 40);
        EXPECT_GT(Distance(colour, kCornflowerBlue), 40);
    }
}

TEST_F(BackgroundTest, LabelsAndCheckBoxesShowTheGradientEditBoxesDoNot)
{
    // Points inside a control's rectangle but clear of its text, beside a point just outside it.
    struct Probe {
        POINT inside, outside;
    };
    for (Probe probe : {Probe{{425, 30}, {435, 30}},       // the folder label's right end
                        Probe{{225, 182}, {235, 182}},     // "Start with Windows"
                        Probe{{225, 222}, {235, 222}}}) {  // "Start rotation at program startup"
        COLORREF inside = ClientPixel(window_, probe.inside.x, probe.inside.y);
        COLORREF outside = ClientPixel(window_, probe.outside.x, probe.outside.y);
        EXPECT_LE(Distance(inside, outside), 12) << probe.inside.x << "," << probe.inside.y;
    }
    EXPECT_EQ(ClientPixel(window_, 370, 46), RGB(255, 255, 255)) << "the folder box keeps its white background";
}
