#include "app/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace morlett {
namespace {

using C = Control;

bool Inside(const Rect& inner, Size outer) {
  return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= outer.width &&
         inner.top + inner.height <= outer.height;
}

Size ContainerSize(const ScaledLayout& layout, Control container) {
  return {layout[container].width, layout[container].height};
}

TEST(LayoutTable, TabWalksEachPanelThenTheRowsThenTheTwoButtons) {
  const std::vector<Control> expected = {
      C::Command1, C::Command2,  C::Command4, C::Text1, C::Text2,     // Create
      C::Command3, C::Command5,  C::Text4,    C::Text5, C::Command6,  // Extract
      C::Command7, C::Command8,  C::Text7,    C::Text9,               // View
      C::Text3,    C::Text6,     C::Text8,                            // command lines
      C::Command9, C::Command10, C::Text10,                           // hidden last
  };
  const auto order = TabOrder();
  EXPECT_EQ(std::vector<Control>(order.begin(), order.end()), expected);
  EXPECT_FALSE(EntryOf(C::Text10).visible);
  EXPECT_EQ(EntryOf(C::Text10).caption, "Text10");
  EXPECT_EQ(EntryOf(C::Form1).twips, (Rect{0, 0, 10710, 2775})) << "the window holds them all";
}

TEST(LayoutTable, EveryFieldAndButtonHasItsOwnDescriptionAndLabelsNameTheirFields) {
  std::set<std::string_view> seen;
  for (const Control control : TabOrder()) {
    const std::string_view description = EntryOf(control).description;
    EXPECT_FALSE(description.empty()) << EntryOf(control).name;
    EXPECT_TRUE(seen.insert(description).second) << description;
  }
  EXPECT_EQ(LabelledField(C::Label1), C::Text3);
  EXPECT_EQ(LabelledField(C::Label2), C::Text6);
  EXPECT_EQ(LabelledField(C::Label3), C::Text8);
}

TEST(FittingRule, CaptionsShrinkToTheirBoxAndTheWindowToTheScreen) {
  EXPECT_DOUBLE_EQ(CaptionFontScale(100, 200), 1.0);
  EXPECT_DOUBLE_EQ(CaptionFontScale(113, 105), 102.0 / 113);
  EXPECT_GT(CaptionFontScale(50, 0), 0.0);
  const ScaledLayout table = ScaleLayout(kDesignClientTwips, kDesignClientTwips);
  EXPECT_EQ(CaptionWidth(table, C::Label2), 1680 - 120) << "a label ends where its field starts";
  EXPECT_EQ(CaptionWidth(table, C::Command1), 975);
  const Size design{1428, 370};
  EXPECT_EQ(FirstClientSize(design, {1280, 1000}), (Size{1280, 331}));
  EXPECT_EQ(FirstClientSize(design, {2000, 1000}), design);
  EXPECT_EQ(FirstClientSize(design, {0, 0}), design) << "no screen known";
  // Text drawn at a trial size rounds to whole pixels, so one shrink may not be enough.
  const double scale = FittingCaptionScale([](double trial) {
    return CaptionMeasure{std::ceil(113 * trial) + 1, 105};
  });
  EXPECT_LE(std::ceil(113 * scale) + 1, 102) << scale;
  EXPECT_GT(scale, 0.85);
  EXPECT_EQ(FittingCaptionScale([](double) { return CaptionMeasure{10, 100}; }), 1.0);
}

// The console goes below the main window where the free area has room for it; otherwise it is
// made shorter, down to half; otherwise it goes as high as fits, at the bottom, over the window.
TEST(FittingRule, TheConsoleLiesWithinTheFreeAreaOfTheScreen) {
  const Rect screen{0, 0, 1024, 740};
  const struct {
    Rect main;
    Size console;
    Rect placed;
  } cases[] = {
      {{10, 20, 700, 220}, {660, 400}, {10, 240, 660, 400}},
      {{10, 20, 700, 220}, {660, 900}, {10, 240, 660, 500}},
      {{10, 400, 700, 220}, {660, 400}, {10, 340, 660, 400}},
      {{500, 20, 700, 220}, {1152, 854}, {0, 240, 1024, 500}},
      {{500, 300, 700, 220}, {1152, 854}, {0, 0, 1024, 740}},
      {{900, 20, 400, 220}, {660, 400}, {364, 240, 660, 400}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConsolePlacement(c.main, c.console, screen), c.placed) << c.main.top;
  }
}

TEST(ResizingRule, DesignSizeInPixelsFollowsTheScreen) {
  EXPECT_EQ(DesignClientPixels(96), (Size{714, 185}));
  EXPECT_EQ(DesignClientPixels(144), (Size{1071, 278}));
}

TEST(ResizingRule, DoublingTheWindowDoublesEveryPlaceAndTheFont) {
  const Size design = DesignClientPixels(96);
  const ScaledLayout base = ScaleLayout(design, design);
  const ScaledLayout twice = ScaleLayout({2 * design.width, 2 * design.height}, design);
  for (const ControlEntry& entry : ControlTable()) {
    const Rect a = base[entry.id];
    const Rect b = twice[entry.id];
    // Scaling edges, not sizes, may move each edge by one pixel.
    EXPECT_NEAR(b.left, 2 * a.left, 1) << entry.name;
    EXPECT_NEAR(b.top, 2 * a.top, 1) << entry.name;
    EXPECT_NEAR(b.width, 2 * a.width, 2) << entry.name;
    EXPECT_NEAR(b.height, 2 * a.height, 2) << entry.name;
  }
  EXPECT_DOUBLE_EQ(twice.fontScale, 2.0);
}

TEST(ResizingRule, FontFollowsTheSmallerStretch) {
  const Size design{714, 185};
  EXPECT_DOUBLE_EQ(ScaleLayout({1428, 185}, design).fontScale, 1.0);
  EXPECT_DOUBLE_EQ(ScaleLayout({714, 370}, design).fontScale, 1.0);
  EXPECT_DOUBLE_EQ(ScaleLayout({357, 370}, design).fontScale, 0.5);
}

TEST(ResizingRule, ControlsStayInsideTheirContainersAtAnySize) {
  const Size design{714, 185};
  const Size sizes[] = {{0, 0},     {1, 1},       {-5, 40},      {333, 77},
                        {713, 186}, {1920, 1080}, {32767, 32767}};
  for (const Size size : sizes) {
    const ScaledLayout layout = ScaleLayout(size, design);
    for (const ControlEntry& entry : ControlTable()) {
      const Rect rect = layout[entry.id];
      EXPECT_TRUE(Inside(rect, ContainerSize(layout, entry.container)))
          << entry.name << " at " << size.width << "x" << size.height;
    }
    EXPECT_TRUE(std::isfinite(layout.fontScale) && layout.fontScale > 0) << size.width;
  }
}

}  // namespace
}  // namespace morlett
