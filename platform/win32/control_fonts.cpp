#include "platform/win32/control_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string_view>

namespace morlett::win32 {
namespace {

// How far in from each side a button and a frame draw their captions, at 96 DPI: a button's
// edge and focus frame, and the most any version of the group box leaves.
constexpr int kButtonCaptionInset = 3;
constexpr int kFrameCaptionInset = 10;

bool HasCaption(ControlKind kind) {
  return kind == ControlKind::Frame || kind == ControlKind::Button || kind == ControlKind::Label;
}

// The width a control leaves its caption.
int CaptionRoom(ControlKind kind, int width, UINT dpi) {
  const int inset = kind == ControlKind::Button  ? kButtonCaptionInset
                    : kind == ControlKind::Frame ? kFrameCaptionInset
                                                 : 0;
  return width - 2 * MulDiv(inset, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// How wide `caption` is as drawn in the DC's font: its advance, or as far as its ink reaches
// where the renderer sets the glyphs wider apart than their advances add up to (Wine does, by
// a few pixels a line). The caption is drawn on white, and its rightmost inked column found.
int DrawnWidth(HDC dc, std::string_view caption) {
  SIZE extent{};
  GetTextExtentPoint32A(dc, caption.data(), static_cast<int>(caption.size()), &extent);
  const int width = extent.cx + extent.cy;  // room for ink past the advance
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -extent.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap canvas(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const UniqueDc drawing(CreateCompatibleDC(dc));
  if (!canvas || !drawing) return extent.cx;
  SelectObject(drawing.get(), canvas.get());
  SelectObject(drawing.get(), GetCurrentObject(dc, OBJ_FONT));
  PatBlt(drawing.get(), 0, 0, width, extent.cy, WHITENESS);
  SetBkMode(drawing.get(), TRANSPARENT);
  TextOutA(drawing.get(), 0, 0, caption.data(), static_cast<int>(caption.size()));
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int x = width - 1; x >= extent.cx; --x) {
    for (int y = 0; y < extent.cy; ++y) {
      if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) return x + 1;
    }
  }
  return extent.cx;
}

LONG ScaledHeight(LONG height, double scale) {
  const LONG scaled = std::lround(height * scale);
  return scaled != 0 ? scaled : (height < 0 ? -1 : 1);
}

// The height for a caption's trial scale: whole pixels, never above the scale, so that a height
// that fits is one the caption really fits at.
LONG TrialHeight(LONG height, double scale) {
  if (scale >= 1) return height;
  const LONG magnitude = std::max<LONG>(1, static_cast<LONG>(std::abs(height) * scale));
  return height < 0 ? -magnitude : magnitude;
}

// Fonts that differ only in height: a font made for one can be kept for the other.
bool SameStyle(LOGFONTW a, LOGFONTW b) {
  a.lfHeight = b.lfHeight = 0;
  a.lfWidth = b.lfWidth = 0;
  return std::memcmp(&a, &b, sizeof(a)) == 0;
}

}  // namespace

void ControlFonts::Apply(HWND window, const std::array<HWND, kControlCount>& controls,
                         const ScaledLayout& layout, UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
  std::map<LONG, UniqueFont> otherStyle;  // deleted once no control uses them
  if (!SameStyle(metrics.lfMessageFont, messageFont_)) {
    otherStyle.swap(fonts_);
    captionWidths_.clear();
  }
  messageFont_ = metrics.lfMessageFont;

  const LONG height = ScaledHeight(messageFont_.lfHeight, layout.fontScale);
  const HDC dc = GetDC(window);
  const HGDIOBJ original = SelectObject(dc, OfHeight(height));
  std::set<LONG> used;
  for (const ControlEntry& entry : ControlTable()) {
    const LONG fitting =
        HasCaption(entry.kind)
            ? FittingHeight(dc, entry.caption,
                            CaptionRoom(entry.kind, CaptionWidth(layout, entry.id), dpi), height)
            : height;
    used.insert(fitting);
    const HWND control = controls[IndexOf(entry.id)];
    const auto font = reinterpret_cast<WPARAM>(OfHeight(fitting));
    if (SendMessageA(control, WM_GETFONT, 0, 0) != static_cast<LRESULT>(font)) {
      SendMessageA(control, WM_SETFONT, font, TRUE);
    }
  }
  SelectObject(dc, original);
  ReleaseDC(window, dc);
  std::erase_if(fonts_, [&](const auto& font) { return !used.contains(font.first); });
}

// The height at which a caption fits its room: `height`, or smaller by the core's rule.
LONG ControlFonts::FittingHeight(HDC dc, std::string_view caption, int room, LONG height) {
  const double scale = FittingCaptionScale([&](double trial) {
    return CaptionMeasure{
        static_cast<double>(CaptionWidthAt(dc, TrialHeight(height, trial), caption)), room};
  });
  return TrialHeight(height, scale);
}

int ControlFonts::CaptionWidthAt(HDC dc, LONG height, std::string_view caption) {
  const auto [width, added] = captionWidths_.try_emplace({height, caption}, 0);
  if (added) {
    SelectObject(dc, OfHeight(height));
    width->second = DrawnWidth(dc, caption);
  }
  return width->second;
}

HFONT ControlFonts::OfHeight(LONG height) {
  UniqueFont& font = fonts_[height];
  if (!font) {
    LOGFONTW scaled = messageFont_;
    scaled.lfHeight = height;
    font.reset(CreateFontIndirectW(&scaled));
  }
  return font.get();
}

}  // namespace morlett::win32
