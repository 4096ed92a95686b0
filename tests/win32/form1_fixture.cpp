#include "form1_fixture.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morlett::testing {
namespace {

std::string standInFolder;

// The rectangle where the table puts `entry` on the window, in pixels, with the design client
// area stretched by the given factors.
Rect TableRect(const ControlSpec& entry, int dpi, double stretchX, double stretchY) {
  Rect twips = entry.twips;
  if (entry.container != Control::Form1) {
    twips.left += SpecOf(entry.container).twips.left;
    twips.top += SpecOf(entry.container).twips.top;
  }
  const auto x = [&](int v) { return static_cast<int>(std::lround(v * stretchX * dpi / 1440.0)); };
  const auto y = [&](int v) { return static_cast<int>(std::lround(v * stretchY * dpi / 1440.0)); };
  return {x(twips.left), y(twips.top), x(twips.left + twips.width) - x(twips.left),
          y(twips.top + twips.height) - y(twips.top)};
}

bool Near(const Rect& a, const Rect& b) {
  return std::abs(a.left - b.left) <= 1 && std::abs(a.top - b.top) <= 1 &&
         std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

std::string Describe(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) +
         "x" + std::to_string(r.height);
}

}  // namespace

const std::string& StandInFolder() {
  return standInFolder;
}

int RunTestsWithStandIn(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder of the stand-in lithrez.exe>\n", argv[0]);
    return 2;
  }
  standInFolder = FullPath(argv[1]);
  return RUN_ALL_TESTS();
}

std::optional<std::string> TextStartingWith(const DialogSeen& seen, std::string_view start) {
  const auto found = std::find_if(seen.texts.begin(), seen.texts.end(),
                                  [&](const std::string& text) { return text.starts_with(start); });
  if (found == seen.texts.end()) return std::nullopt;
  return *found;
}

bool HasTextStartingWith(const DialogSeen& seen, std::string_view start) {
  return TextStartingWith(seen, start).has_value();
}

bool ToolRunning() {
  const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W process{};
  process.dwSize = sizeof(process);
  for (BOOL more = Process32FirstW(snapshot.get(), &process); more;
       more = Process32NextW(snapshot.get(), &process)) {
    if (process.th32ParentProcessID == GetCurrentProcessId() &&
        CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, process.szExeFile, -1, L"lithrez.exe",
                       -1) == CSTR_EQUAL) {
      return true;
    }
  }
  return false;
}

void DropQuitMessage() {
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void Form1Fixture::SetUp() {
  SetEnvironmentVariableA("PATH", StandInFolder().c_str());
  SetEnvironmentVariableA("STAND_IN_LOG", log.c_str());
  program.emplace([this] { ++ends; });
  ASSERT_TRUE(program->Start(SW_SHOWNORMAL));
}

void Form1Fixture::TearDown() {
  program.reset();
  DropQuitMessage();
}

std::string Form1Fixture::Text(Control field) const {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(ControlWindow(field))), '\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextA(ControlWindow(field), text.data(), static_cast<int>(text.size() + 1))));
  return text;
}

void Form1Fixture::SetText(Control field, const std::string& text) const {
  SetWindowTextA(ControlWindow(field), text.c_str());
}

Rect Form1Fixture::OnClientArea(Control control) const {
  RECT rect{};
  GetWindowRect(ControlWindow(control), &rect);
  MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

RECT Form1Fixture::FrameFor(Size client) const {
  RECT window{}, current{};
  GetWindowRect(Window(), &window);
  GetClientRect(Window(), &current);
  window.right += client.width - current.right;
  window.bottom += client.height - current.bottom;
  return window;
}

void Form1Fixture::SetClientSize(Size client) const {
  const RECT frame = FrameFor(client);
  SetWindowPos(Window(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);
}

LONG Form1Fixture::FontHeight() const {
  LOGFONTA font{};
  GetObjectA(
      reinterpret_cast<HFONT>(SendMessageA(ControlWindow(Control::Command1), WM_GETFONT, 0, 0)),
      sizeof(font), &font);
  return std::abs(font.lfHeight);
}

void Form1Fixture::ExpectTableLayout(int dpi, double stretchX, double stretchY) const {
  for (const ControlSpec& entry : ControlTable()) {
    const Rect expected = TableRect(entry, dpi, stretchX, stretchY);
    const Rect actual = OnClientArea(entry.id);
    EXPECT_TRUE(Near(actual, expected))
        << entry.name << " at " << Describe(actual) << ", table says " << Describe(expected);
  }
}

}  // namespace morlett::testing
