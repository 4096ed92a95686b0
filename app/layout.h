// What the window looks like: its captions, the table of controls in twips, and the
// proportional rule that places them when the window changes size.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "platform/controls.h"

namespace morlett {

inline constexpr std::string_view kWindowCaption = "Morlett Advanced";
inline constexpr std::string_view kAppTitle = "Morlett";

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr Size kDesignClientTwips{10710, 2775};

struct ControlEntry {
  Control id;
  std::string_view name;
  ControlKind kind;
  Control container;
  std::string_view caption;  // for a text field: the text it starts with
  Rect twips;                // relative to the container's client area
  std::optional<int> tabIndex;
  bool visible;
  std::string_view description;  // the accessible name and tooltip; empty for none
};

// Every control but the window itself, in the form's tab-index order.
std::span<const ControlEntry> ControlTable();
const ControlEntry& EntryOf(Control control);

// The controls that take the keyboard focus, in the order Tab walks them.
std::span<const Control> TabOrder();

struct ScaledLayout {
  std::array<Rect, kControlCount> rects{};  // indexed by IndexOf(control), relative to container
  double fontScale = 1.0;

  const Rect& operator[](Control control) const { return rects[IndexOf(control)]; }
};

// Places every control for a client area of `client`: each keeps its share of the client area,
// whatever the units, so the design size plays no part in where it goes. `designClient`, the
// design client area in the client's units, tells how far the text stretches: the font follows
// the smaller of the two stretches so that text still fits its box.
ScaledLayout ScaleLayout(Size client, Size designClient);

// The field a command-line label names, for screen readers and its keyboard shortcut; any
// other control names itself.
Control LabelledField(Control label);

// The width a control's caption may take: its box's, but a label's only up to the field it
// names, which lies over the rest of the label's box.
int CaptionWidth(const ScaledLayout& layout, Control control);

// The font scale at which a caption `captionWidth` wide fits a box `boxWidth` wide, both in
// the same units: 1 when it already fits. A caption is never cut or wrapped.
double CaptionFontScale(double captionWidth, int boxWidth);

struct CaptionMeasure {
  double captionWidth = 0;
  int room = 0;  // the width the caption may take
};

// The font scale at which a caption fits its room, found by measuring it at trial scales: one
// step usually does, but the glyphs' rounding at the new size may ask for another.
double FittingCaptionScale(const std::function<CaptionMeasure(double scale)>& measureAt);

// The client area the window first opens with: the design size, shrunk in proportion where
// the screen's free area (less the window's frame) is smaller.
Size FirstClientSize(Size design, Size available);

// Where the console window goes, frames included, within the screen's free area: below the main
// window where it fits; otherwise shorter, down to half its height; otherwise at the bottom of
// the free area, over the main window, and never larger than the free area.
Rect ConsolePlacement(Rect mainFrame, Size console, Rect available);

// The design client area in device pixels, for a screen of `dotsPerInch`.
Size DesignClientPixels(int dotsPerInch);

}  // namespace morlett
