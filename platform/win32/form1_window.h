// Form1's window: a plain Win32 window whose controls are made from the control table, and
// which hands every button click to Form1.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "platform/controls.h"
#include "app/form1.h"
#include "app/layout.h"
#include "platform/win32/logo_picture.h"
#include "platform/win32/win32_owners.h"

namespace morlett::win32 {

class Form1Window {
 public:
  explicit Form1Window(Form1& form);
  ~Form1Window();
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  // Makes the window, hidden, with the design client area for its screen. It has no controls
  // yet, and can already own a message box.
  bool Create();
  // Makes the controls from the control table, and the logo, and places them.
  bool CreateControls();

  HWND Handle() const { return window_; }
  HWND ControlWindow(Control control) const { return controls_[IndexOf(control)]; }

  // Lets the window act on the keys a dialog handles, Tab above all. True when it did, and
  // the message must not be dispatched again.
  bool HandleDialogKeys(MSG& message) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  bool OnCreate();
  void OnSize(UINT how);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void OnCommand(int id, int notification);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnActivate(UINT state);
  void OnSetFocus();
  void OnDestroy();

  bool CreateControl(const ControlEntry& entry);
  void SendFramesAndLabelsBack();
  void ResizeToDesign();
  void LayoutControls();
  void ApplyFont(double scale);

  Form1& form_;
  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  UniqueFont font_;
  LONG fontHeight_ = 0;
  HWND lastFocus_ = nullptr;
  bool controlsCreated_ = false;
  std::optional<LogoPicture> logo_;
};

}  // namespace morlett::win32
