#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <array>

#include "platform/win32/form1_window.h"
#include "platform/win32/win32_text.h"

namespace morlett::win32 {
namespace {

static_assert(static_cast<int>(ShowState::MinimizedActive) == SW_SHOWMINIMIZED);

// Twice MAX_PATH: the folder browser's path buffer, with room for the longest path it gives.
constexpr std::size_t kFolderPathChars = 512;
// Room for the longest of the system's error messages, with a path filled in.
constexpr std::size_t kSystemMessageChars = 512;

HWND AsWindow(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

HANDLE AsHandle(ConsoleHandle console) {
  return reinterpret_cast<HANDLE>(console);
}

// Reads a string from a call that fills a buffer of the given size and returns the length
// written, or the size it needs when the buffer is too small, or 0 for nothing.
template <class Char, class FillBuffer>
std::basic_string<Char> ReadString(FillBuffer fill) {
  std::basic_string<Char> text(MAX_PATH, Char{});
  for (;;) {
    const DWORD length = fill(text.data(), static_cast<DWORD>(text.size()));
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(std::max<std::size_t>(length, 2 * text.size()));
  }
}

std::string OwnFolder() {
  const std::string path = ReadString<char>(
      [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); });
  return path.substr(0, path.find_last_of("\\/"));
}

// The system's words for `error`. Some of them name the file with a "%1", which is filled in
// with `file` rather than shown as it is.
std::string SystemMessage(DWORD error, const std::string& file) {
  std::array<char, kSystemMessageChars> text{};
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, error, 0, text.data(), static_cast<DWORD>(text.size()), nullptr);
  std::string message(text.data(), length);
  message.erase(message.find_last_not_of(" \r\n") + 1);
  for (std::size_t at = message.find("%1"); at != std::string::npos;
       at = message.find("%1", at + file.size())) {
    message.replace(at, 2, file);
  }
  return message.empty() ? "Error " + std::to_string(error) : message;
}

// CreateProcess takes at most 32767 UTF-16 characters, its terminating NUL included.
bool FitsCommandLine(const std::string& line) {
  constexpr int kMaxCommandLineChars = 32766;
  const int chars =
      MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
  return chars <= kMaxCommandLineChars;
}

// From a process's creation to its exit, in seconds; the times count 100-nanosecond steps.
double SecondsBetween(FILETIME from, FILETIME to) {
  const auto steps = [](FILETIME time) {
    return ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart;
  };
  return static_cast<double>(steps(to) - steps(from)) / 1e7;
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// How much of a full path names its volume: a drive's root, or a share's.
std::size_t RootLength(std::wstring_view full) {
  if (full.size() >= 3 && full[1] == L':') return 3;
  if (!full.starts_with(L"\\\\")) return 0;
  const std::size_t share = full.find_first_of(L"\\/", 2);
  const std::size_t end =
      share == std::wstring_view::npos ? share : full.find_first_of(L"\\/", share + 1);
  return end == std::wstring_view::npos ? full.size() : end + 1;
}

// The name an existing file or folder has on disk: links followed, long names, the case it was
// given. GetFinalPathNameByHandleW puts the prefix for long paths before it, for a drive or a
// share, which no user types.
std::optional<std::wstring> NameOnDisk(const std::wstring& path) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  // No access asked: a file another program holds can still be named. Folders need the flag.
  const HANDLE opened = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened != INVALID_HANDLE_VALUE) {
    const UniqueHandle file(opened);
    std::wstring name = ReadString<wchar_t>([&](wchar_t* buffer, DWORD size) {
      return GetFinalPathNameByHandleW(file.get(), buffer, size, VOLUME_NAME_DOS);
    });
    if (name.starts_with(L"\\\\?\\UNC\\")) return name.replace(0, 8, L"\\\\");
    if (name.starts_with(L"\\\\?\\")) return name.erase(0, 4);
    if (!name.empty()) return name;
  }
  std::wstring name = ReadString<wchar_t>(
      [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(path.c_str(), buffer, size); });
  return name.empty() ? std::nullopt : std::optional(std::move(name));
}

// `head` and then `tail`, with one separator between them where both bring one.
std::wstring Joined(std::wstring head, std::wstring_view tail) {
  if (!head.empty() && !tail.empty() && IsSeparator(head.back()) && IsSeparator(tail.front())) {
    tail.remove_prefix(1);
  }
  return head.append(tail);
}

// Ctrl+C and Ctrl+Break typed into the console are meant for the running tool, which
// handles them itself; Morlett stays. Unlike ignoring them outright, this is not inherited
// by the tools.
BOOL WINAPI KeepRunningOnInterrupt(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

void Win32Platform::EndProcessNow() {
  ExitProcess(0);
}

Win32Platform::Win32Platform(ComApartment& com, EndFunction end, StdHandleFunction stdHandle)
    : com_(com), end_(std::move(end)), stdHandle_(stdHandle) {}

std::string Win32Platform::FieldText(Control field) {
  return WindowText(window_->ControlWindow(field));
}

void Win32Platform::SetFieldText(Control field, std::string_view text) {
  SetWindowTextA(window_->ControlWindow(field), std::string(text).c_str());
}

WindowHandle Win32Platform::OwnerWindow() {
  return reinterpret_cast<WindowHandle>(window_->Handle());
}

void Win32Platform::ShowMessage(const MessageRequest& request) {
  const UINT icon = request.icon == MessageIcon::Error ? MB_ICONERROR : 0;
  MessageBoxA(AsWindow(request.owner), request.text.c_str(), request.title.c_str(), MB_OK | icon);
}

void Win32Platform::EndProgram() {
  end_();
}

bool Win32Platform::AllocateConsole() {
  if (!AllocConsole()) return false;
  SetConsoleCtrlHandler(KeepRunningOnInterrupt, TRUE);
  consoleAllocated_ = true;
  return true;
}

// Everything typed into the console would go with it. Some consoles have no system menu, and
// then there is nothing to remove.
void Win32Platform::RemoveConsoleCloseCommand() const {
  if (!consoleAllocated_) return;
  if (const HMENU menu = GetSystemMenu(GetConsoleWindow(), FALSE)) {
    DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
  }
}

ConsoleHandle Win32Platform::StandardOutput() {
  const HANDLE output = stdHandle_(STD_OUTPUT_HANDLE);
  // Windows reports a failure as an invalid handle value; the program's word for it is 0.
  return output == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<ConsoleHandle>(output);
}

void Win32Platform::WriteConsoleText(ConsoleHandle console, std::string_view text) {
  DWORD written = 0;
  WriteConsoleA(AsHandle(console), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Win32Platform::CloseConsoleHandle(ConsoleHandle console) {
  CloseHandle(AsHandle(console));
}

void Win32Platform::FreeConsole() {
  ::FreeConsole();
}

std::optional<std::string> Win32Platform::BrowseForFolder(const FolderRequest& request) {
  com_.Enter();
  BROWSEINFOA info{};
  info.hwndOwner = AsWindow(request.owner);
  info.lpszTitle = request.title.c_str();
  info.ulFlags = request.onlyFileSystemFolders ? BIF_RETURNONLYFSDIRS : 0;
  const ItemIdList chosen(SHBrowseForFolderA(&info));
  if (!chosen) return std::nullopt;

  std::array<char, kFolderPathChars> path{};
  path.fill(' ');
  if (!SHGetPathFromIDListA(chosen.get(), path.data())) return std::nullopt;
  return std::string(path.begin(), std::find(path.begin(), path.end(), '\0'));
}

std::optional<std::string> Win32Platform::ShowFileDialog(const FileDialogRequest& request) {
  com_.Enter();  // for the shell's parts of the dialog, as for the folder browser
  return rezDialogRecord_.Show(request);
}

// The folders Windows itself searches for a program, in its order, before PATH.
ToolSearchPlaces Win32Platform::SearchPlaces() {
  const std::string system =
      ReadString<char>([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
  const std::string windows =
      ReadString<char>([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
  const std::string path = ReadString<char>(
      [](char* buffer, DWORD size) { return GetEnvironmentVariableA("PATH", buffer, size); });
  return {{OwnFolder(), system, windows + "\\System", windows}, path, ".exe"};
}

bool Win32Platform::IsProgramFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program is named by its full path, so nothing is searched for again; the command line
// goes in exactly as the window shows it.
StartResult Win32Platform::StartProgram(const StartRequest& request) {
  std::string line = request.commandLine;  // CreateProcessA may write into its command line
  if (!FitsCommandLine(line)) return {StartOutcome::CommandLineTooLong, {}};
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(request.show);
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(request.program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    return {StartOutcome::Failed, SystemMessage(GetLastError(), request.program)};
  }
  const UniqueHandle thread(started.hThread);
  auto& run = *runs_.emplace_back(std::make_unique<StartedRun>(
      StartedRun{++lastRun_, window_->Handle(), UniqueHandle(started.hProcess), nullptr}));
  // The system's thread pool waits, for many processes at once, and posts the end to the window.
  HANDLE wait = nullptr;
  RegisterWaitForSingleObject(&wait, run.process.get(), TellRunEnded, &run, INFINITE,
                              WT_EXECUTEONLYONCE);
  run.wait.reset(wait);
  return {StartOutcome::Started, {}, run.id};
}

void CALLBACK Win32Platform::TellRunEnded(void* run, BOOLEAN) {
  const auto& ended = *static_cast<const StartedRun*>(run);
  PostMessageA(ended.told, kRunEndedMessage, static_cast<WPARAM>(ended.id), 0);
}

std::optional<RunEnd> Win32Platform::TakeRunEnd(RunId run) {
  const auto found = std::ranges::find(runs_, run, [](const auto& held) { return held->id; });
  if (found == runs_.end()) return std::nullopt;
  const std::unique_ptr<StartedRun> ended = std::move(*found);
  runs_.erase(found);
  DWORD code = 0;
  GetExitCodeProcess(ended->process.get(), &code);
  FILETIME created{}, exited{}, kernel{}, user{};
  GetProcessTimes(ended->process.get(), &created, &exited, &kernel, &user);
  // Ctrl+C in the console ends a console program with this status.
  const EndKind kind = code == STATUS_CONTROL_C_EXIT ? EndKind::Interrupted : EndKind::Exited;
  return RunEnd{run, kind, code, {}, SecondsBetween(created, exited)};
}

// The console the tools write into, whether or not the program still holds its own output.
// The line may name an archive in any script, which the console's 8-bit code page may lack.
void Win32Platform::WriteRunEnd(RunId, std::string_view line) {
  const HANDLE opened =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return;
  const UniqueHandle console(opened);
  const std::wstring wide = Wide(line);
  DWORD written = 0;
  WriteConsoleW(console.get(), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

void Win32Platform::AskForAttention() {
  const HWND window = window_->Handle();
  if (GetForegroundWindow() == window) return;
  FLASHWINFO flash{sizeof(flash), window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

PathStyle Win32Platform::SystemPathStyle() {
  return PathStyle::Windows;
}

// Windows makes the path absolute against the current folder and resolves ".", ".." and
// repeated separators; the longest part of it that exists is then named as on disk.
std::string Win32Platform::CanonicalPath(const std::string& path) {
  const std::wstring asked = Wide(path);
  const std::wstring full = ReadString<wchar_t>([&](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(asked.c_str(), size, buffer, nullptr);
  });
  const std::size_t root = RootLength(full);
  for (std::size_t end = full.size(); end >= root && end > 0;) {
    if (const auto named = NameOnDisk(full.substr(0, end))) {
      return Narrow(Joined(*named, std::wstring_view(full).substr(end)));
    }
    if (end == root) break;
    const std::size_t separator = full.find_last_of(L"\\/", end - 1);
    end = separator == std::wstring::npos || separator < root ? root : separator;
  }
  return Narrow(full.empty() ? asked : full);
}

}  // namespace morlett::win32
