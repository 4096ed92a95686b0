// Morlett's own start, as its entry runs it, up to the end of the window's first paint.
//   morlett_start_child <report file>
#include "first_paint.h"
#include "platform/win32/win32_program.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  morlett::win32::Win32Program program;
  if (!program.Start(SW_SHOWDEFAULT)) return 1;
  morlett::bench::RunUntilPainted(
      [&](MSG& message) { morlett::win32::DispatchToWindow(program.Window(), message); });
  morlett::bench::ReportFirstPaint(argv[1]);
}
