#include "platform/win32/form1_window.h"

#include <cmath>
#include <string>

#include "platform/win32/resource_ids.h"

namespace morlett::win32 {
namespace {

constexpr char kClassName[] = "MorlettForm1";
// Not clipping its children: the window paints the background that the frames leave open.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
// Lets IsDialogMessage walk the controls with Tab.
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Above the IDs a dialog's keys send (IDOK for Enter, IDCANCEL for Escape).
constexpr int kFirstControlId = 100;

// IDC_ARROW, spelled for the 8-bit functions whatever the build's character set.
const LPCSTR kArrowCursor = MAKEINTRESOURCEA(32512);

int IdOf(Control control) {
  return kFirstControlId + static_cast<int>(IndexOf(control));
}

struct ControlClass {
  const char* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Frame:
      return {"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::Button:
      return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::TextField:
      return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Picture:
      return {"STATIC", SS_OWNERDRAW, 0};
    case ControlKind::Label:
    case ControlKind::Window:  // the window is never in the table
      break;
  }
  return {"STATIC", SS_LEFT, 0};
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (GetClassInfoExA(instance, kClassName, &windowClass)) return true;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MORLETT));
  windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MORLETT),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorA(nullptr, kArrowCursor);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kClassName;
  return RegisterClassExA(&windowClass) != 0;
}

// Controls inside a frame are placed relative to it, but they are the window's own children,
// so that their clicks reach the window.
Rect OnWindow(const ScaledLayout& layout, const ControlEntry& entry) {
  Rect rect = layout[entry.id];
  if (entry.container != Control::Form1) {
    rect.left += layout[entry.container].left;
    rect.top += layout[entry.container].top;
  }
  return rect;
}

}  // namespace

Form1Window::Form1Window(Form1& form) : form_(form) {}

Form1Window::~Form1Window() {
  if (window_) DestroyWindow(window_);
}

bool Form1Window::Create() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(instance, WindowProc)) return false;
  CreateWindowExA(kExStyle, kClassName, std::string(kWindowCaption).c_str(), kStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (!window_) return false;
  ResizeToDesign();
  return true;
}

bool Form1Window::CreateControls() {
  for (const ControlEntry& entry : ControlTable()) {
    if (!CreateControl(entry)) return false;
  }
  SendFramesAndLabelsBack();
  logo_.emplace(GetModuleHandleA(nullptr), IDR_LOGO);
  controlsCreated_ = true;
  LayoutControls();
  return true;
}

bool Form1Window::HandleDialogKeys(MSG& message) const {
  return window_ && IsDialogMessageA(window_, &message);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* self = static_cast<Form1Window*>(created->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  const LRESULT result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
  }
  return result;
}

LRESULT Form1Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wParam));
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam));
      break;  // the default then gives the window the focus
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

bool Form1Window::OnCreate() {
  dpi_ = GetDpiForWindow(window_);
  controls_[IndexOf(Control::Form1)] = window_;
  return true;
}

// Frames and labels lie behind every other control, so that a button inside a frame, or a
// field that overlaps a label's box, stays whole. Focus order is unchanged: neither takes it.
void Form1Window::SendFramesAndLabelsBack() {
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.kind != ControlKind::Frame && entry.kind != ControlKind::Label) continue;
    SetWindowPos(ControlWindow(entry.id), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

bool Form1Window::CreateControl(const ControlEntry& entry) {
  const ControlClass controlClass = ClassOf(entry.kind);
  const DWORD style =
      WS_CHILD | WS_CLIPSIBLINGS | controlClass.style | (entry.visible ? WS_VISIBLE : 0);
  const HWND control = CreateWindowExA(
      controlClass.exStyle, controlClass.name, std::string(entry.caption).c_str(), style, 0, 0, 0,
      0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(entry.id))),
      GetModuleHandleA(nullptr), nullptr);
  // A field takes as much as is typed or pasted into it, however long the path.
  if (entry.kind == ControlKind::TextField) SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
  controls_[IndexOf(entry.id)] = control;
  return control != nullptr;
}

void Form1Window::ResizeToDesign() {
  const Size client = DesignClientPixels(static_cast<int>(dpi_));
  RECT frame{0, 0, client.width, client.height};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::OnSize(UINT how) {
  if (how != SIZE_MINIMIZED) LayoutControls();
}

void Form1Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The message font changes with the screen even when the window's size does not.
  LayoutControls();
}

void Form1Window::LayoutControls() {
  if (!controlsCreated_) return;
  RECT client{};
  GetClientRect(window_, &client);
  const ScaledLayout layout =
      ScaleLayout({client.right, client.bottom}, DesignClientPixels(static_cast<int>(dpi_)));
  for (const ControlEntry& entry : ControlTable()) {
    const Rect rect = OnWindow(layout, entry);
    MoveWindow(ControlWindow(entry.id), rect.left, rect.top, rect.width, rect.height, TRUE);
  }
  ApplyFont(layout.fontScale);
}

// The system's message font for the window's screen, scaled as the window is.
void Form1Window::ApplyFont(double scale) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi_);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = static_cast<LONG>(std::lround(font.lfHeight * scale));
  if (font.lfHeight == 0) font.lfHeight = -1;
  if (font_ && font.lfHeight == fontHeight_) return;

  UniqueFont scaled(CreateFontIndirectW(&font));
  for (const ControlEntry& entry : ControlTable()) {
    SendMessageA(ControlWindow(entry.id), WM_SETFONT, reinterpret_cast<WPARAM>(scaled.get()), TRUE);
  }
  // The old font is deleted only now that no control uses it.
  font_ = std::move(scaled);
  fontHeight_ = font.lfHeight;
}

void Form1Window::OnCommand(int id, int notification) {
  const int index = id - kFirstControlId;
  if (notification != BN_CLICKED || index < 0 || index >= static_cast<int>(kControlCount)) return;
  form_.Click(static_cast<Control>(index));
}

void Form1Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (static_cast<int>(item.CtlID) == IdOf(Control::Image1)) logo_->Draw(item.hDC, item.rcItem);
}

// Focus comes back to the control that had it when the window is activated again.
void Form1Window::OnActivate(UINT state) {
  if (state != WA_INACTIVE) return;
  const HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) lastFocus_ = focus;
}

void Form1Window::OnSetFocus() {
  SetFocus(lastFocus_ ? lastFocus_ : ControlWindow(TabOrder().front()));
}

void Form1Window::OnDestroy() {
  form_.Unload();
  PostQuitMessage(0);
}

}  // namespace morlett::win32
