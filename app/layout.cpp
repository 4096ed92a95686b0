#include "app/layout.h"

#include <algorithm>
#include <cstdint>

namespace morlett {
namespace {

using C = Control;
using K = ControlKind;

// clang-format off
constexpr std::array kControls{
  //         id            name         kind          container    caption                  left  top   width height  tab  visible
  //         description: what a screen reader says and the tooltip shows
  ControlEntry{C::Frame1,    "Frame1",    K::Frame,     C::Form1,  "Create",                {120,  0,    2295, 1575}, 0,   true,
              ""},
  ControlEntry{C::Command1,  "Command1",  K::Button,    C::Frame1, "Directory",             {120,  240,  975,  375},  1,   true,
              "Choose the directory to put in the rez file"},
  ControlEntry{C::Command2,  "Command2",  K::Button,    C::Frame1, "Rez",                   {1200, 240,  975,  375},  2,   true,
              "Choose where to save the rez file to create"},
  ControlEntry{C::Command4,  "Command4",  K::Button,    C::Frame1, "Create",                {120,  1080, 2055, 375},  3,   true,
              "Create the rez file from the directory"},
  ControlEntry{C::Text1,     "Text1",     K::TextField, C::Frame1, "",                      {1200, 720,  975,  285},  4,   true,
              "Rez file to create"},
  ControlEntry{C::Text2,     "Text2",     K::TextField, C::Frame1, "",                      {120,  720,  975,  285},  5,   true,
              "Directory to put in the rez file"},
  ControlEntry{C::Frame2,    "Frame2",    K::Frame,     C::Form1,  "Extract",               {2520, 0,    2295, 1575}, 6,   true,
              ""},
  ControlEntry{C::Command3,  "Command3",  K::Button,    C::Frame2, "Rez",                   {120,  240,  975,  375},  7,   true,
              "Choose the rez file to extract"},
  ControlEntry{C::Command5,  "Command5",  K::Button,    C::Frame2, "Directory",             {1200, 240,  975,  375},  8,   true,
              "Choose the directory to extract into"},
  ControlEntry{C::Text4,     "Text4",     K::TextField, C::Frame2, "",                      {120,  720,  975,  285},  9,   true,
              "Rez file to extract"},
  ControlEntry{C::Text5,     "Text5",     K::TextField, C::Frame2, "",                      {1200, 720,  975,  285},  10,  true,
              "Directory to extract into"},
  ControlEntry{C::Command6,  "Command6",  K::Button,    C::Frame2, "Extract",               {120,  1080, 2055, 375},  11,  true,
              "Extract the rez file into the directory"},
  ControlEntry{C::Frame3,    "Frame3",    K::Frame,     C::Form1,  "View",                  {4920, 0,    2295, 1095}, 12,  true,
              ""},
  ControlEntry{C::Command7,  "Command7",  K::Button,    C::Frame3, "Rez",                   {120,  240,  975,  375},  13,  true,
              "Choose the rez file to view"},
  ControlEntry{C::Command8,  "Command8",  K::Button,    C::Frame3, "View",                  {1200, 240,  975,  375},  14,  true,
              "List what the rez file holds"},
  ControlEntry{C::Text7,     "Text7",     K::TextField, C::Frame3, "",                      {120,  720,  975,  285},  15,  true,
              "Rez file to view"},
  ControlEntry{C::Text9,     "Text9",     K::TextField, C::Frame3, "",                      {1200, 720,  975,  285},  16,  true,
              "Not used"},
  ControlEntry{C::Text3,     "Text3",     K::TextField, C::Form1,  "",                      {1680, 1680, 5535, 285},  17,  true,
              "Create command line"},
  ControlEntry{C::Label1,    "Label1",    K::Label,     C::Form1,  "Create Commandline:",   {120,  1680, 1575, 255},  18,  true,
              ""},
  ControlEntry{C::Text6,     "Text6",     K::TextField, C::Form1,  "",                      {1680, 2040, 5535, 285},  19,  true,
              "Extract command line"},
  ControlEntry{C::Label2,    "Label2",    K::Label,     C::Form1,  "Extract Commandline:",  {120,  2040, 1695, 255},  20,  true,
              ""},
  ControlEntry{C::Text8,     "Text8",     K::TextField, C::Form1,  "",                      {1680, 2400, 5535, 285},  21,  true,
              "View command line"},
  ControlEntry{C::Label3,    "Label3",    K::Label,     C::Form1,  "View Commandline:",     {120,  2400, 1455, 255},  22,  true,
              ""},
  ControlEntry{C::Command9,  "Command9",  K::Button,    C::Form1,  "Lithrez",               {4920, 1200, 1095, 375},  23,  true,
              "Run lithrez with no arguments"},
  ControlEntry{C::Command10, "Command10", K::Button,    C::Form1,  "Quit",                  {6120, 1200, 1095, 375},  24,  true,
              "Quit Morlett"},
  ControlEntry{C::Text10,    "Text10",    K::TextField, C::Form1,  "Text10",                {2040, 1320, 975,  285},  25,  false,
              "Bare run command line"},
  ControlEntry{C::Image1,    "Image1",    K::Picture,   C::Form1,  "",                      {7320, 0,    3315, 2655}, {},  true,
              "Morlett Advanced logo"},
};
// clang-format on

constexpr bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::Button || kind == ControlKind::TextField;
}

constexpr std::size_t kFocusableCount = static_cast<std::size_t>(
    std::count_if(kControls.begin(), kControls.end(),
                  [](const ControlEntry& entry) { return TakesFocus(entry.kind); }));

// The table is written in tab-index order, so the walk is the table's focusable rows.
constexpr bool RowsAreInTabIndexOrder() {
  for (std::size_t row = 0; row < kControls.size(); ++row) {
    const auto tab = kControls[row].tabIndex;
    if (tab && static_cast<std::size_t>(*tab) != row) return false;
  }
  return true;
}
static_assert(RowsAreInTabIndexOrder());

constexpr auto kTabOrder = [] {
  std::array<Control, kFocusableCount> order{};
  std::size_t next = 0;
  for (const ControlEntry& entry : kControls) {
    if (TakesFocus(entry.kind)) order[next++] = entry.id;
  }
  return order;
}();

// The window holds every control, and is held by nothing: its entry is its own.
constexpr ControlEntry kForm1Entry{
    C::Form1,     "Form1",        K::Frame,
    C::Form1,     kWindowCaption, {0, 0, kDesignClientTwips.width, kDesignClientTwips.height},
    std::nullopt, true,           ""};

// Rounds `value * numerator / denominator` to the nearest integer without overflow for any
// int inputs; the denominator is positive.
int ScaleRounded(int value, std::int64_t numerator, std::int64_t denominator) {
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  return static_cast<int>((2 * product + denominator) / (2 * denominator));
}

// Scales edges rather than sizes, all on the window's grid, so that neighbouring controls keep
// sharing their edges and a control never pokes out of its frame by a rounding.
Rect ScaleRect(const ControlEntry& entry, Size client) {
  const auto x = [&](int v) { return ScaleRounded(v, client.width, kDesignClientTwips.width); };
  const auto y = [&](int v) { return ScaleRounded(v, client.height, kDesignClientTwips.height); };
  const Rect origin = EntryOf(entry.container).twips;
  const int left = origin.left + entry.twips.left;
  const int top = origin.top + entry.twips.top;
  return {x(left) - x(origin.left), y(top) - y(origin.top), x(left + entry.twips.width) - x(left),
          y(top + entry.twips.height) - y(top)};
}

// Below this a font is unreadable at any size, and zero would be refused by the toolkits.
constexpr double kMinFontScale = 0.25;

double FontScale(Size client, Size designClient) {
  if (designClient.width <= 0 || designClient.height <= 0) return 1.0;
  const double scale = std::min(static_cast<double>(client.width) / designClient.width,
                                static_cast<double>(client.height) / designClient.height);
  return std::max(scale, kMinFontScale);
}

}  // namespace

std::span<const ControlEntry> ControlTable() {
  return kControls;
}

const ControlEntry& EntryOf(Control control) {
  const auto found =
      std::find_if(kControls.begin(), kControls.end(),
                   [control](const ControlEntry& entry) { return entry.id == control; });
  return found == kControls.end() ? kForm1Entry : *found;
}

std::span<const Control> TabOrder() {
  return kTabOrder;
}

ScaledLayout ScaleLayout(Size client, Size designClient) {
  const Size clamped{std::max(client.width, 0), std::max(client.height, 0)};
  ScaledLayout layout;
  for (const ControlEntry& entry : kControls) {
    layout.rects[IndexOf(entry.id)] = ScaleRect(entry, clamped);
  }
  layout.rects[IndexOf(Control::Form1)] = {0, 0, clamped.width, clamped.height};
  layout.fontScale = FontScale(clamped, designClient);
  return layout;
}

Control LabelledField(Control label) {
  switch (label) {
    case Control::Label1:
      return Control::Text3;
    case Control::Label2:
      return Control::Text6;
    case Control::Label3:
      return Control::Text8;
    default:
      return label;
  }
}

int CaptionWidth(const ScaledLayout& layout, Control control) {
  const Rect& box = layout[control];
  const Control field = LabelledField(control);
  return field == control ? box.width : std::min(box.width, layout[field].left - box.left);
}

double CaptionFontScale(double captionWidth, int boxWidth) {
  constexpr double kRoomAfterCaption = 3;
  const double room = std::max(1.0, boxWidth - kRoomAfterCaption);
  return captionWidth > room ? room / captionWidth : 1.0;
}

Size FirstClientSize(Size design, Size available) {
  if (available.width <= 0 || available.height <= 0) return design;
  const double scale = std::min({1.0, static_cast<double>(available.width) / design.width,
                                 static_cast<double>(available.height) / design.height});
  return {static_cast<int>(design.width * scale), static_cast<int>(design.height * scale)};
}

Size DesignClientPixels(int dotsPerInch) {
  return {ScaleRounded(kDesignClientTwips.width, dotsPerInch, kTwipsPerInch),
          ScaleRounded(kDesignClientTwips.height, dotsPerInch, kTwipsPerInch)};
}

double FittingCaptionScale(const std::function<CaptionMeasure(double scale)>& measureAt) {
  constexpr int kMostSteps = 4;
  double scale = 1;
  for (int step = 0; step < kMostSteps; ++step) {
    const CaptionMeasure measured = measureAt(scale);
    const double shrink = CaptionFontScale(measured.captionWidth, measured.room);
    if (shrink >= 1) break;
    scale *= shrink;
  }
  return scale;
}

Rect ConsolePlacement(Rect mainFrame, Size console, Rect available) {
  const int width = std::min(console.width, available.width);
  const int left =
      std::clamp(mainFrame.left, available.left, available.left + available.width - width);
  const int bottom = available.top + available.height;
  const int below = mainFrame.top + mainFrame.height;
  const int roomBelow = bottom - below;
  if (roomBelow >= console.height) return {left, below, width, console.height};
  if (roomBelow >= console.height / 2) return {left, below, width, roomBelow};
  const int height = std::min(console.height, available.height);
  return {left, bottom - height, width, height};
}

}  // namespace morlett
