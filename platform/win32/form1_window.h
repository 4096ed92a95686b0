// Form1's window: a plain Win32 window whose controls are made from the control table, and
// which hands every button click and every drop to Form1.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "app/form1.h"
#include "app/layout.h"
#include "platform/controls.h"
#include "platform/win32/accessible_names.h"
#include "platform/win32/control_fonts.h"
#include "platform/win32/logo_picture.h"
#include "platform/win32/win32_owners.h"
#include "platform/win32/win32_platform.h"

namespace morlett::win32 {

// Where `control` lies on the window's client area. Controls inside a frame are placed
// relative to it, but they are the window's own children, so that their clicks reach it.
Rect RectOnWindow(const ScaledLayout& layout, Control control);

class Form1Window {
 public:
  // `platform` tells how each started run ended; `com` is the program's one COM apartment.
  Form1Window(Form1& form, Win32Platform& platform, ComApartment& com);
  ~Form1Window();
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  // Makes the window, hidden, with the design client area for its screen, or less where the
  // screen is smaller. It has no controls yet, and can already own a message box.
  bool Create();
  // Makes the controls from the control table, the logo and the tooltips, and places them.
  bool CreateControls();

  HWND Handle() const { return window_; }
  HWND ControlWindow(Control control) const { return controls_[IndexOf(control)]; }
  HWND Tooltips() const { return tooltips_; }

  // Lets the window act on the keys a dialog handles, Tab above all. True when it did, and
  // the message must not be dispatched again.
  bool HandleDialogKeys(MSG& message) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR index, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  bool OnCreate();
  void OnSize(UINT how);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnSettingChange(UINT what);
  void OnCommand(int id, int notification);
  void PressFocusedButton();
  void OnRunEnded(RunId run);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnActivate(UINT state);
  void OnSetFocus();
  void OnDestroy();
  void OnDropFiles(Control field, HDROP drop);
  void NameControlsOnce();

  bool CreateControl(const ControlEntry& entry);
  void CreateTooltips();
  void SendFramesAndLabelsBack();
  void SizeForScreen();
  void LayoutControls();

  Form1& form_;
  Win32Platform& platform_;
  ComApartment& com_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  ControlFonts fonts_;
  HWND lastFocus_ = nullptr;
  bool controlsCreated_ = false;
  bool namesAsked_ = false;
  std::optional<AccessibleNames> names_;
  std::optional<LogoPicture> logo_;
};

}  // namespace morlett::win32
