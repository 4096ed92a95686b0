// Each window backend provides the program's run: it creates its platform, builds Form1's
// window from the control table, raises Load, runs the event loop and returns the exit code.
#pragma once

namespace morlett {

int RunProgram(int argc, char** argv);

}  // namespace morlett
