// A stand-in for the archive tool, for tests and benchmarks. It records the arguments it
// received, prints a few lines the way a console tool does, and can be told to flood its
// output, to wait, to ask a question, to spoil its terminal or to fail.
//
// Environment:
//   STAND_IN_LOG    file to append this run's record to: "argc N" then "<length>:<bytes>" per
//                   argument, one per line, so any byte survives
//   STAND_IN_STAMP  file to write the monotonic clock to, in nanoseconds, before anything else
//   STAND_IN_FLOOD  number of bytes of output to write as fast as possible
//   STAND_IN_EXIT   exit code to return
//   STAND_IN_UNTIL  file whose appearance ends the run: it keeps running until then, for at
//                   most a minute, so that a failed test leaves no run behind
//   STAND_IN_ASK    set: asks a question, as an archiver does before overwriting: says whether
//                   its own terminal opens, then reads one line and prints it back
//   STAND_IN_SPOIL  "xoff" or "raw": leaves its terminal with the output stopped, or in raw
//                   mode, as a careless tool does (not on Windows)
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>  // needs windows.h first
#else
#include <termios.h>
#include <unistd.h>
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

// A number from the environment; one that is missing or malformed is the fallback.
long long NumberOr(const char* name, long long fallback) {
  const std::string text = EnvOr(name, "");
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : fallback;
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
  arguments.reserve(count);
  for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}
#else
std::vector<std::string> ReceivedArguments(int argc, char** argv) {
  return {argv, argv + argc};
}
#endif

// False when the file could not be written in full.
bool WriteFile(const std::string& path, const std::string& text, const char* mode) {
  if (path.empty()) return true;
  FILE* file = std::fopen(path.c_str(), mode);
  if (!file) return false;
  // One buffer, one write: concurrent runs appending to the same log do not interleave.
  const bool buffered = std::setvbuf(file, nullptr, _IOFBF, text.size() + 1) == 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && buffered && written;
}

#ifdef _WIN32
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The C runtime appends by seeking to the end and then writing, and so does Wine for a handle
// opened only to append, so two runs at once could write at the same place. The runs take
// turns, through a mutex that every stand-in of the session shares.
bool AppendToFile(const std::string& path, const std::string& text) {
  if (path.empty()) return true;
  const Handle turn(CreateMutexA(nullptr, FALSE, "lithrez-stand-in-log"));
  if (turn) WaitForSingleObject(turn.get(), INFINITE);
  const HANDLE opened =
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (opened != INVALID_HANDLE_VALUE) {
    const Handle file(opened);
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  if (turn) ReleaseMutex(turn.get());
  return written == text.size();
}
#else
bool AppendToFile(const std::string& path, const std::string& text) {
  return WriteFile(path, text, "ab");
}
#endif

std::string Record(const std::vector<std::string>& arguments) {
  std::string record = "argc " + std::to_string(arguments.size() - 1) + "\n";
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    record += std::to_string(arguments[i].size()) + ":" + arguments[i] + "\n";
  }
  return record;
}

void WaitFor(const std::string& path) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  std::error_code unknown;  // taken as "not there yet"
  while (!path.empty() && !std::filesystem::exists(path, unknown) &&
         std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void Ask() {
#ifdef _WIN32
  FILE* terminal = std::fopen("CONIN$", "r");
#else
  FILE* terminal = std::fopen("/dev/tty", "r");
#endif
  std::printf("terminal: %s\nquestion? ", terminal ? "yes" : "none");
  if (terminal) static_cast<void>(std::fclose(terminal));  // only opened to see that it opens
  static_cast<void>(std::fflush(stdout));  // a lost prompt shows in the answer's test
  char line[1024];
  if (!std::fgets(line, sizeof line, stdin)) {
    std::printf("answer: end of input\n");
    return;
  }
  line[std::strcspn(line, "\r\n")] = '\0';
  std::printf("answer [%s]\n", line);
}

void Spoil([[maybe_unused]] const std::string& how) {
#ifndef _WIN32
  termios settings{};
  // A terminal that refuses stays unspoiled, which the test that asked for it then shows.
  if (how == "xoff") {
    static_cast<void>(tcflow(STDOUT_FILENO, TCOOFF));  // NOLINT(concurrency-mt-unsafe): one thread
  }
  if (how == "raw" && tcgetattr(STDIN_FILENO, &settings) == 0) {
    cfmakeraw(&settings);
    static_cast<void>(tcsetattr(STDIN_FILENO, TCSANOW, &settings));
  }
#endif
}

void Flood(long long bytes) {
  const std::string line(79, '#');
  for (long long written = 0; written < bytes; written += 80) std::printf("%s\n", line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const long long started = MonotonicNanoseconds();
  bool recorded = WriteFile(EnvOr("STAND_IN_STAMP", ""), std::to_string(started) + "\n", "w");

  const std::vector<std::string> arguments = ReceivedArguments(argc, argv);
  recorded = AppendToFile(EnvOr("STAND_IN_LOG", ""), Record(arguments)) && recorded;
  // A test reading the record would see a run missing; this says why.
  if (!recorded) std::printf("lithrez stand-in: couldn't write its record\n");

  std::printf("lithrez stand-in: %zu arguments\n", arguments.size() - 1);
  for (int percent = 0; percent <= 100; percent += 25) std::printf("\rprogress %3d%%", percent);
  std::printf("\n");
  Flood(NumberOr("STAND_IN_FLOOD", 0));
  WaitFor(EnvOr("STAND_IN_UNTIL", ""));
  if (!EnvOr("STAND_IN_ASK", "").empty()) Ask();
  std::printf("lithrez stand-in: done\n");
  // Output a closed terminal refuses is lost; the exit code stays the one the test asked for.
  static_cast<void>(std::fflush(stdout));
  Spoil(EnvOr("STAND_IN_SPOIL", ""));
  return static_cast<int>(NumberOr("STAND_IN_EXIT", 0));
}
