#include "platform/win32/form1_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/resource_ids.h"
#include "platform/win32/win32_text.h"

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

// What one CreateWindowEx call for a control takes; where and how large comes with the layout.
struct ControlArgs {
  HWND parent = nullptr;
  const char* className = nullptr;
  std::string_view text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
};

HWND CreateControlWindow(const ControlArgs& args) {
  return CreateWindowExA(args.exStyle, args.className, std::string(args.text).c_str(), args.style,
                         0, 0, 0, 0, args.parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                         GetModuleHandleA(nullptr), nullptr);
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
      // Notifying, so that the mouse reaches it and its tooltip shows.
      return {"STATIC", SS_OWNERDRAW | SS_NOTIFY, 0};
    case ControlKind::Label:
      break;
  }
  return {"STATIC", SS_LEFT, 0};
}

// A field holds one line, whichever way text came in: typed, pasted by any key or menu, or from
// an input method. The edit control itself keeps a lone CR and what follows, which the field
// would then show but not give to the tool; the text from the line break on goes at once.
void KeepOneLine(HWND field) {
  const std::string text = WindowText(field);
  const std::string_view line = OneLine(text);
  if (line.size() == text.size()) return;
  DWORD caret = 0;
  SendMessageA(field, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  SetWindowTextA(field, std::string(line).c_str());
  // The caret stays where the text came in, or at the line's end where that is gone.
  SendMessageA(field, EM_SETSEL, caret, caret);
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

}  // namespace

Rect RectOnWindow(const ScaledLayout& layout, Control control) {
  Rect rect = layout[control];
  const Control container = EntryOf(control).container;
  if (container != Control::Form1) {
    rect.left += layout[container].left;
    rect.top += layout[container].top;
  }
  return rect;
}

Form1Window::Form1Window(Form1& form, Win32Platform& platform, ComApartment& com)
    : form_(form), platform_(platform), com_(com) {}

Form1Window::~Form1Window() {
  if (window_) DestroyWindow(window_);
}

bool Form1Window::Create() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(instance, WindowProc)) return false;
  CreateWindowExA(kExStyle, kClassName, std::string(kWindowCaption).c_str(), kStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (!window_) return false;
  SizeForScreen();
  return true;
}

bool Form1Window::CreateControls() {
  for (const ControlEntry& entry : ControlTable()) {
    if (!CreateControl(entry)) return false;
  }
  SendFramesAndLabelsBack();
  CreateTooltips();
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

// What the controls tell their window: drops on a field, and a screen reader's first question.
LRESULT CALLBACK Form1Window::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR index, DWORD_PTR self) {
  auto& window = *reinterpret_cast<Form1Window*>(self);
  switch (message) {
    case WM_DROPFILES:
      window.OnDropFiles(static_cast<Control>(index), reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_GETOBJECT:
      window.NameControlsOnce();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, ControlProc, index);
      break;
  }
  return DefSubclassProc(control, message, wParam, lParam);
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
    case WM_SETTINGCHANGE:
      OnSettingChange(static_cast<UINT>(wParam));
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case kRunEndedMessage:
      OnRunEnded(static_cast<RunId>(wParam));
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
    case WM_GETOBJECT:
      NameControlsOnce();
      break;
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

bool Form1Window::CreateControl(const ControlEntry& entry) {
  const ControlClass controlClass = ClassOf(entry.kind);
  const HWND control = CreateControlWindow({
      .parent = window_,
      .className = controlClass.name,
      .text = entry.caption,
      .style = WS_CHILD | WS_CLIPSIBLINGS | controlClass.style | (entry.visible ? WS_VISIBLE : 0),
      // What DragAcceptFiles sets, without loading the shell at start to call it.
      .exStyle = controlClass.exStyle | (TakesDrops(entry.id) ? WS_EX_ACCEPTFILES : 0),
      .id = IdOf(entry.id),
  });
  if (!control) return false;
  // A field takes as much as is typed or pasted into it, however long the path.
  if (entry.kind == ControlKind::TextField) SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
  SetWindowSubclass(control, ControlProc, IndexOf(entry.id), reinterpret_cast<DWORD_PTR>(this));
  controls_[IndexOf(entry.id)] = control;
  return true;
}

// One tooltip window shows each control's description while the mouse rests on it.
void Form1Window::CreateTooltips() {
  tooltips_ = CreateControlWindow({.parent = window_,
                                   .className = TOOLTIPS_CLASSA,
                                   .text = {},
                                   .style = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   .exStyle = WS_EX_TOPMOST,
                                   .id = 0});
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.description.empty()) continue;
    std::string text(entry.description);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(ControlWindow(entry.id));
    tool.lpszText = text.data();
    SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
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

// The design size for the screen's DPI, shrunk where the screen's free area is smaller, and
// moved onto that area where its default place would leave part of it off.
void Form1Window::SizeForScreen() {
  RECT frame{};
  AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
  const Size frameSize{frame.right - frame.left, frame.bottom - frame.top};
  RECT work{};  // the screen less the taskbar and the like
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const Size client = FirstClientSize(
      DesignClientPixels(static_cast<int>(dpi_)),
      {work.right - work.left - frameSize.width, work.bottom - work.top - frameSize.height});
  const Size outer{client.width + frameSize.width, client.height + frameSize.height};
  RECT placed{};
  GetWindowRect(window_, &placed);
  const LONG left = std::max(work.left, std::min(placed.left, work.right - outer.width));
  const LONG top = std::max(work.top, std::min(placed.top, work.bottom - outer.height));
  SetWindowPos(window_, nullptr, left, top, outer.width, outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
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

// The user chose another message font: the captions are fitted again in it.
void Form1Window::OnSettingChange(UINT what) {
  if (what == SPI_SETNONCLIENTMETRICS) LayoutControls();
}

void Form1Window::LayoutControls() {
  if (!controlsCreated_) return;
  RECT client{};
  GetClientRect(window_, &client);
  const ScaledLayout layout =
      ScaleLayout({client.right, client.bottom}, DesignClientPixels(static_cast<int>(dpi_)));
  for (const ControlEntry& entry : ControlTable()) {
    const Rect rect = RectOnWindow(layout, entry.id);
    MoveWindow(ControlWindow(entry.id), rect.left, rect.top, rect.width, rect.height, TRUE);
  }
  fonts_.Apply(window_, controls_, layout, dpi_);
}

void Form1Window::OnCommand(int id, int notification) {
  if (id == IDOK) {
    PressFocusedButton();
    return;
  }
  const int index = id - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(kControlCount)) return;
  if (notification == EN_CHANGE) KeepOneLine(ControlWindow(static_cast<Control>(index)));
  if (notification == BN_CLICKED) form_.Click(static_cast<Control>(index));
}

// Enter, which IsDialogMessage sends as IDOK, presses the focused button, as Space does.
void Form1Window::PressFocusedButton() {
  const HWND focus = GetFocus();
  const auto found = std::ranges::find(controls_, focus);
  if (!focus || found == controls_.end()) return;
  const auto control = static_cast<Control>(found - controls_.begin());
  if (EntryOf(control).kind == ControlKind::Button) SendMessageA(focus, BM_CLICK, 0, 0);
}

void Form1Window::OnRunEnded(RunId run) {
  if (const std::optional<RunEnd> end = platform_.TakeRunEnd(run)) form_.RunEnded(*end);
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
  names_.reset();
  form_.Unload();
  PostQuitMessage(0);
}

// Every file dropped goes to Form1, which decides what the field takes. The shell's drop of
// files is always a copy; each name goes as the system gives it, uncut.
void Form1Window::OnDropFiles(Control field, HDROP drop) {
  DroppedData dropped;
  dropped.offersCopy = true;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT index = 0; index < count; ++index) {
    std::wstring name(DragQueryFileW(drop, index, nullptr, 0), L'\0');
    DragQueryFileW(drop, index, name.data(), static_cast<UINT>(name.size() + 1));
    dropped.items.emplace_back().path = Narrow(name);
  }
  DragFinish(drop);
  form_.Drop(field, dropped);
}

// Screen readers ask the window or a control for an object first; only then are the names
// given, so that a start without one loads nothing for them.
void Form1Window::NameControlsOnce() {
  if (namesAsked_ || !controlsCreated_) return;
  namesAsked_ = true;
  com_.Enter();
  std::vector<AccessibleNames::NamedWindow> named;
  for (const ControlEntry& entry : ControlTable()) {
    if (!entry.description.empty()) named.emplace_back(ControlWindow(entry.id), entry.description);
  }
  names_.emplace(named);
}

}  // namespace morlett::win32
