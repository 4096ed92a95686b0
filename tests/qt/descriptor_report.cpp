// Started by the console tests in place of the tool: it prints what a started program
// finds itself with, so that the tests can read it back from the console pane.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  std::string descriptors;
  DIR* listing = opendir("/proc/self/fd");
  if (!listing) return 1;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == dirfd(listing)) continue;
    descriptors += " " + std::string(entry->d_name);
  }
  closedir(listing);
  std::printf("descriptors:%s\n", descriptors.c_str());
  std::printf("terminal: %d %d %d\n", isatty(0), isatty(1), isatty(2));
  std::printf("own session: %s\n", getsid(0) == getpid() ? "yes" : "no");
  return 0;
}
