#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <array>

#include "platform/win32/form1_window.h"

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
template <class FillBuffer>
std::string ReadString(FillBuffer fill) {
  std::string text(MAX_PATH, '\0');
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
  const std::string path = ReadString(
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

Win32Platform::Win32Platform(EndFunction end, StdHandleFunction stdHandle)
    : end_(std::move(end)), stdHandle_(stdHandle) {}

std::string Win32Platform::FieldText(Control field) {
  const HWND control = window_->ControlWindow(field);
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)), '\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextA(control, text.data(), static_cast<int>(text.size() + 1))));
  return text;
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
  const ComApartment com;
  BROWSEINFOA info{};
  info.hwndOwner = AsWindow(request.owner);
  info.lpszTitle = request.title.c_str();
  info.ulFlags = request.onlyFileSystemFolders ? BIF_RETURNONLYFSDIRS : 0;
  const ItemIdList chosen(SHBrowseForFolderA(&info));
  if (!chosen) return std::nullopt;

  std::array<char, kFolderPathChars> path;
  path.fill(' ');
  if (!SHGetPathFromIDListA(chosen.get(), path.data())) return std::nullopt;
  return std::string(path.begin(), std::find(path.begin(), path.end(), '\0'));
}

std::optional<std::string> Win32Platform::ShowFileDialog(const FileDialogRequest& request) {
  const ComApartment com;  // for the shell's parts of the dialog, as for the folder browser
  return rezDialogRecord_.Show(request);
}

// The folders Windows itself searches for a program, in its order, before PATH.
ToolSearchPlaces Win32Platform::SearchPlaces() {
  const std::string system =
      ReadString([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
  const std::string windows =
      ReadString([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
  const std::string path = ReadString(
      [](char* buffer, DWORD size) { return GetEnvironmentVariableA("PATH", buffer, size); });
  return {PathStyle::Windows, {OwnFolder(), system, windows + "\\System", windows}, path, ".exe"};
}

bool Win32Platform::IsProgramFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program is named by its full path, so nothing is searched for again; the command line
// goes in exactly as the window shows it.
StartResult Win32Platform::StartProgram(const StartRequest& request) {
  ForgetEndedRuns();
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
  runs_.push_back({++lastRun_, UniqueHandle(started.hProcess)});
  return {StartOutcome::Started, {}, lastRun_};
}

bool Win32Platform::IsRunning(RunId run) {
  ForgetEndedRuns();
  return std::ranges::any_of(runs_, [run](const StartedRun& held) { return held.id == run; });
}

std::size_t Win32Platform::RunningProcesses() {
  ForgetEndedRuns();
  return runs_.size();
}

void Win32Platform::ForgetEndedRuns() {
  std::erase_if(runs_, [](const StartedRun& held) {
    return WaitForSingleObject(held.process.get(), 0) != WAIT_TIMEOUT;
  });
}

}  // namespace morlett::win32
