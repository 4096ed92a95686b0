// A stand-in for the archive tool, for tests and benchmarks. It records the arguments it
// received, prints a few lines the way a console tool does, and can be told to flood its
// output or to fail.
//
// Environment:
//   STAND_IN_LOG    file to append this run's record to: "argc N" then "<length>:<bytes>" per
//                   argument, one per line, so any byte survives
//   STAND_IN_STAMP  file to write the monotonic clock to, in nanoseconds, before anything else
//   STAND_IN_FLOOD  number of bytes of output to write as fast as possible
//   STAND_IN_EXIT   exit code to return
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>  // needs windows.h first
#endif

namespace {

long long MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

#ifdef _WIN32
std::string ToUtf8(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  return text;
}

// What the program really received, decoded without loss whatever the code page.
std::vector<std::string> ReceivedArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}
#else
std::vector<std::string> ReceivedArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
#endif

void WriteFile(const std::string& path, const std::string& text, const char* mode) {
  if (path.empty()) return;
  FILE* file = std::fopen(path.c_str(), mode);
  if (!file) return;
  // One buffer, one write: concurrent runs appending to the same log do not interleave.
  std::setvbuf(file, nullptr, _IOFBF, text.size() + 1);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

#ifdef _WIN32
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The C runtime appends by seeking to the end and then writing, and so does Wine for a handle
// opened only to append, so two runs at once could write at the same place. The runs take
// turns, through a mutex that every stand-in of the session shares.
void AppendToFile(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  const Handle turn(CreateMutexA(nullptr, FALSE, "lithrez-stand-in-log"));
  if (turn) WaitForSingleObject(turn.get(), INFINITE);
  const HANDLE opened =
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened != INVALID_HANDLE_VALUE) {
    const Handle file(opened);
    DWORD written = 0;
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  if (turn) ReleaseMutex(turn.get());
}
#else
void AppendToFile(const std::string& path, const std::string& text) {
  WriteFile(path, text, "ab");
}
#endif

std::string Record(const std::vector<std::string>& arguments) {
  std::string record = "argc " + std::to_string(arguments.size() - 1) + "\n";
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    record += std::to_string(arguments[i].size()) + ":" + arguments[i] + "\n";
  }
  return record;
}

void Flood(long long bytes) {
  const std::string line(79, '#');
  for (long long written = 0; written < bytes; written += 80) std::printf("%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const long long started = MonotonicNanoseconds();
  WriteFile(EnvOr("STAND_IN_STAMP", ""), std::to_string(started) + "\n", "w");

  const std::vector<std::string> arguments = ReceivedArguments(argc, argv);
  AppendToFile(EnvOr("STAND_IN_LOG", ""), Record(arguments));

  std::printf("lithrez stand-in: %zu arguments\n", arguments.size() - 1);
  for (int percent = 0; percent <= 100; percent += 25) std::printf("\rprogress %3d%%", percent);
  std::printf("\n");
  Flood(std::atoll(EnvOr("STAND_IN_FLOOD", "0").c_str()));
  std::printf("lithrez stand-in: done\n");
  std::fflush(stdout);
  return std::atoi(EnvOr("STAND_IN_EXIT", "0").c_str());
}
