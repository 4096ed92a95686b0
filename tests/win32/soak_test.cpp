// A long run of the real window: a thousand tool starts, fifty at a time, then a thousand
// resizes. What the process holds must come back to where it was after a warm-up, within a
// margin: a check for leaks, not a measurement of speed.
#include <windows.h>

#include <array>
#include <random>

#include "win32_test_support.h"

namespace morlett::testing {
namespace {

using C = Control;
using SoakTest = Form1Fixture;

struct Holdings {
  std::size_t handles = 0;
  std::size_t gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::size_t heapBytes = 0;
};

Holdings Now() {
  Holdings now;
  // GetProcessHandleCount says 0 on Wine 8, but each handle's value, a multiple of four, can
  // be asked after.
  DWORD flags = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++now.handles;
  }
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
  heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  for (const HANDLE heap : heaps) {
    PROCESS_HEAP_ENTRY entry{};
    HeapLock(heap);
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) now.heapBytes += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return now;
}

// The margins are for the caches the system keeps: only a leak grows with the number of runs.
// Wine 8 counts no GDI objects; there the resizes check each font they replace.
void ExpectNoGrowthSince(const Holdings& before, const char* what) {
  const Holdings now = Now();
  EXPECT_LE(now.handles, before.handles + 16) << "handles, after " << what;
  EXPECT_LE(now.gdiObjects, before.gdiObjects + 16) << "GDI objects, after " << what;
  EXPECT_LE(now.heapBytes, before.heapBytes + 64 * 1024) << "heap bytes, after " << what;
}

TEST_F(SoakTest, AThousandStartsAndAThousandResizesLeaveNothingBehind) {
  RECT design{};
  GetClientRect(Window(), &design);
  std::array<Rect, kControlCount> designLayout;
  for (const ControlEntry& entry : ControlTable())
    designLayout[IndexOf(entry.id)] = Placed(entry.id);
  const LONG designFont = FontHeight();

  // Wine now and then fails to start one of fifty processes started at once ("Internal
  // error"), and the program then says so, as it must: every click runs the tool or tells why.
  std::size_t clicks = 0, told = 0;
  const auto startFifty = [&] {
    for (int i = 0; i < 50; ++i) {
      const auto message = WithDialog([&] { Click(C::Command9); });
      told += message && !message->TextStartingWith("Couldn't start lithrez").empty();
    }
    clicks += 50;
    return PumpUntil([&] { return ToolRuns().size() + told == clicks; }, std::chrono::minutes(2));
  };
  // Sizes from tiny to full screen, those two among them, each painted. A font a resize
  // replaces must be deleted by the time the resize is over.
  const Size screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  std::mt19937 random(20240612);
  std::uniform_int_distribution<int> width(0, screen.width), height(0, screen.height);
  const auto fontOf = [&](Control control) {
    return SendMessageA(ControlWindow(control), WM_GETFONT, 0, 0);
  };
  int fontsReplaced = 0, fontsKept = 0;
  const auto resize = [&](int count) {
    for (int i = 0; i < count; ++i) {
      const LRESULT before = fontOf(C::Command1);
      SetClientSize(i % 3 == 0   ? Size{}
                    : i % 3 == 1 ? screen
                                 : Size{width(random), height(random)});
      RedrawWindow(Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (fontOf(C::Command1) == before) continue;
      ++fontsReplaced;
      if (GetObjectType(reinterpret_cast<HGDIOBJ>(before)) != 0) ++fontsKept;
    }
  };

  ASSERT_TRUE(startFifty()) << "warm-up";
  resize(50);
  const Holdings warm = Now();
  for (int batch = 1; batch < 20; ++batch) {
    ASSERT_TRUE(startFifty()) << ToolRuns().size() << " runs and " << told << " messages for "
                              << clicks << " clicks";
  }
  ExpectNoGrowthSince(warm, "the starts");
  EXPECT_LE(told, clicks / 100) << "hardly any start fails";

  const Holdings started = Now();
  resize(950);
  SetClientSize({design.right, design.bottom});
  ExpectNoGrowthSince(started, "the resizes");
  EXPECT_GT(fontsReplaced, 500) << "the font is made anew for the sizes";
  EXPECT_EQ(fontsKept, 0) << "fonts replaced by a resize are deleted";
  for (const ControlEntry& entry : ControlTable()) {
    EXPECT_TRUE(Placed(entry.id) == designLayout[IndexOf(entry.id)]) << entry.name << " moved";
    EXPECT_EQ(fontOf(entry.id), fontOf(C::Command1)) << entry.name << " has a font of its own";
  }
  EXPECT_EQ(FontHeight(), designFont);
}

}  // namespace
}  // namespace morlett::testing
