// The window's presentation as the logic drives it: the maximized and
// normal layouts, the always-on-top toggle and the lamps.
#include "TrafficFixture.h"

#include "quillon/app/WindowLayout.h"

namespace quillon::testing {
namespace {

using dialog::DialogLogic;
using dialog::Rect;

Rect placed(const WindowLayout& layout, int id)
{
    for (const ControlPlacement& p : layout.placements)
        if (p.id == id)
            return p.rect;
    ADD_FAILURE() << "control " << id << " is not placed";
    return {};
}

TEST(WindowLayout, MaximizedFollowsTheScreen)
{
    struct Case {
        const char* name;
        int w, h;
        int id;
        Rect rect;
    };
    const Case cases[] = {
        {"view 1024 x 768", 1024, 768, ReceiveView, {296, 6, 714, 498}},
        {"view 1280 x 800", 1280, 800, ReceiveView, {296, 6, 970, 530}},
        {"send group widens, 228 lower", 1024, 768, SendGroup, {10, 504, 1000, 106}},
        {"first send-area edit widens", 1024, 768, Area1Text, {168, 516, 838, 26}},
        {"third send-area edit widens", 1024, 768, Area3Text, {168, 576, 838, 26}},
        {"rotation group only moves", 1024, 768, RotationGroup, {10, 614, 392, 132}},
        {"a label of an area group moves", 1024, 768, Area3PeriodUnit, {756, 702, 18, 22}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rect r = placed(maximizedLayout(c.w, c.h), c.id);
        EXPECT_EQ(r, c.rect) << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
}

TEST(WindowLayout, AutoClearNumbers)
{
    struct Case {
        const char* name;
        int w, h, chars, lines;
    };
    const Case cases[] = {
        {"odd count rounds up", 1024, 768, 110, 29},
        {"even count stays", 1366, 768, 152, 29},
        {"taller screen", 1280, 1024, 142, 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowLayout layout = maximizedLayout(c.w, c.h);
        EXPECT_EQ(layout.viewCharsPerLine, c.chars);
        EXPECT_EQ(layout.viewMaxLines, c.lines);
        EXPECT_FALSE(layout.toggleShown);
    }
}

// Whatever the table holds below the receive view moves with the block:
// a label left without an id would stay behind in the middle of the view.
TEST(WindowLayout, TheWholeLowerBlockMovesDown)
{
    const WindowLayout normal = normalLayout();
    const WindowLayout maximized = maximizedLayout(1024, 768);
    for (const dialog::ControlTemplate& c : quillonMainWindowTemplate().controls) {
        if (c.rect.y < kLowerBlockTop || c.id == TopmostToggle)
            continue;
        SCOPED_TRACE(c.caption);
        ASSERT_NE(c.id, dialog::kStaticId);
        EXPECT_EQ(placed(normal, c.id), c.rect);
        EXPECT_EQ(placed(maximized, c.id).y, c.rect.y + 228);
        EXPECT_EQ(placed(maximized, c.id).x, c.rect.x);
    }
}

class PresentationTest : public QuillonTest {};

TEST_F(PresentationTest, ResizesSwitchTheLayout)
{
    enum Step { Maximize, Minimize, Restore };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool maximized; // expected: the maximized layout stands
    };
    const Case cases[] = {
        {"restore before any maximize changes nothing", {Restore}, false},
        {"minimize changes nothing", {Minimize}, false},
        {"maximize", {Maximize}, true},
        {"minimize after maximize keeps it", {Maximize, Minimize}, true},
        {"restore brings the normal layout back", {Maximize, Restore}, false},
        {"restore from minimized applies it too", {Maximize, Minimize, Restore}, false},
        {"maximize again", {Maximize, Restore, Maximize}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        start();
        // A marker the normal layout would put back, to see whether it acts.
        surface.moveControl(Area2Text, {0, 0, 1, 1});
        for (Step s : c.steps)
            dlg().onResize(s == Maximize   ? DialogLogic::kMaximized
                           : s == Minimize ? DialogLogic::kMinimized
                                           : DialogLogic::kRestored,
                           1024, 768);
        const bool restoredOnce = c.steps.size() > 1 && c.steps.back() == Restore;
        const Rect view = surface.controls[ReceiveView].rect;
        EXPECT_EQ(view, (c.maximized ? Rect{296, 6, 714, 498} : Rect{296, 6, 483, 270}));
        EXPECT_EQ(dlg().viewSize().charsPerLine, c.maximized ? 110 : 84);
        EXPECT_EQ(dlg().viewSize().maxLines, c.maximized ? 29 : 15);
        EXPECT_EQ(surface.isShown(TopmostToggle), !c.maximized);
        if (!c.maximized) {
            EXPECT_EQ(surface.controls[Area2Text].rect, (restoredOnce ? Rect{168, 318, 608, 26} : Rect{0, 0, 1, 1}));
        }
        // Once maximized, every later restore puts the normal layout back.
        surface.moveControl(Area2Text, {0, 0, 1, 1});
        dlg().onResize(DialogLogic::kRestored, 1024, 768);
        EXPECT_EQ(surface.controls[Area2Text].rect,
                  (c.steps.front() == Maximize ? Rect{168, 318, 608, 26} : Rect{0, 0, 1, 1}));
    }
}

TEST_F(PresentationTest, ToggleMovesTheWindowInAndOutOfTheTopBand)
{
    start();
    EXPECT_FALSE(surface.topmost);
    struct Step {
        bool onTop;
        const char* letter;
    };
    const Step steps[] = {{true, "定"}, {false, "活"}};
    for (const Step& s : steps) {
        const int redraws = surface.controls[TopmostToggle].redraws;
        click(TopmostToggle);
        EXPECT_EQ(surface.topmost, s.onTop);
        EXPECT_EQ(dlg().onTop(), s.onTop);
        EXPECT_EQ(surface.text(TopmostToggle), dialog::gbk(s.letter));
        EXPECT_EQ(surface.controls[TopmostToggle].redraws, redraws + 1);
    }
}

class LampTest : public TrafficTest {
protected:
    void lampTick() { dlg().onTimer(LampTick); }
    int redraws(int id) { return surface.controls[id].redraws; }
};

TEST_F(LampTest, ALampIsLitForOneLampTickAndRedrawnOnlyWhenItChanges)
{
    struct Case {
        const char* name;
        bool send, chunk;
    };
    const Case cases[] = {
        {"send", true, false},
        {"received chunk", false, true},
        {"send and chunk in the same 10 ms", true, true},
    };
    // The port came open: the status lamp turns red, once.
    lampTick();
    EXPECT_TRUE(dlg().lamps().portOpen);
    EXPECT_EQ(redraws(StatusLamp), 1);
    surface.setText(Area1Text, "01 02");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.chunk) {
            deviceSends("\x41");
            ticks(1);
        }
        if (c.send)
            click(Area1Send);
        const int before = redraws(TrafficLamps);
        lampTick();
        EXPECT_EQ(dlg().lamps().txLit, c.send);
        EXPECT_EQ(dlg().lamps().rxLit, c.chunk);
        lampTick();
        EXPECT_FALSE(dlg().lamps().txLit);
        EXPECT_FALSE(dlg().lamps().rxLit);
        // Idle from here: no more paints, however many ticks.
        for (int i = 0; i < 50; ++i)
            lampTick();
        settle();
        for (int i = 0; i < 50; ++i)
            lampTick();
        EXPECT_EQ(redraws(TrafficLamps), before + 2);
        // Dark lamps hold their timer until something lights them.
        EXPECT_FALSE(surface.ticking(LampTick));
    }
    EXPECT_EQ(redraws(StatusLamp), 1);
    click(Area1Send);
    EXPECT_TRUE(surface.ticking(LampTick));
}

} // namespace
} // namespace quillon::testing
