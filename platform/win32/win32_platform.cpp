#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "commands/command_line.h"
#include "platform/win32/form1_window.h"
#include "platform/win32/win32_owners.h"

namespace morlett::win32 {
namespace {

static_assert(static_cast<int>(ShowState::MinimizedActive) == SW_SHOWMINIMIZED);

// The folder browser writes into a buffer this long.
constexpr std::size_t kFolderPathChars = 512;

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

std::string FolderOf(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/"));
}

std::string OwnFolder() {
  return FolderOf(ReadString(
      [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); }));
}

std::string EnvironmentVariable(const char* name) {
  return ReadString(
      [name](char* buffer, DWORD size) { return GetEnvironmentVariableA(name, buffer, size); });
}

// A relative entry, "." or an empty one, would bring the current directory back in.
bool IsFullyQualified(std::string_view folder) {
  const bool drive = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                     folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  return drive || folder.starts_with("\\\\");
}

// The folders Windows searches for a program, in its order, but without the current
// directory: the file dialogs move it to wherever the user browsed, and a program planted
// there must not run.
std::vector<std::string> ToolSearchFolders() {
  const std::string system =
      ReadString([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
  const std::string windows =
      ReadString([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
  std::vector<std::string> folders{OwnFolder(), system, windows + "\\System", windows};
  const std::string environmentPath = EnvironmentVariable("PATH");
  for (std::size_t start = 0; start <= environmentPath.size();) {
    const std::size_t end = std::min(environmentPath.find(';', start), environmentPath.size());
    const std::string_view entry = std::string_view(environmentPath).substr(start, end - start);
    if (IsFullyQualified(entry)) folders.emplace_back(entry);
    start = end + 1;
  }
  return folders;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first program of that name in the search folders. A folder that happens to have the
// name is no program, and the search goes on past it, as a shell's does.
std::string FindProgram(const std::string& name) {
  for (const std::string& folder : ToolSearchFolders()) {
    const std::string found = ReadString([&](char* buffer, DWORD size) {
      return SearchPathA(folder.c_str(), name.c_str(), ".exe", size, buffer, nullptr);
    });
    if (!found.empty() && !IsFolder(found)) return found;
  }
  return {};
}

// The system's words for `error`. Some of them name the file with a "%1", which is filled in
// with `file` rather than shown as it is.
std::string SystemMessage(DWORD error, const std::string& file) {
  std::array<char, 512> text{};
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

StartResult StartFailure(DWORD error, const std::string& file) {
  return {StartOutcome::Failed, SystemMessage(error, file)};
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
  MessageBoxA(AsWindow(request.owner), request.text.c_str(), request.title.c_str(), MB_OK);
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

StartResult Win32Platform::StartProgram(std::string_view commandLine, ShowState show) {
  const std::vector<std::string> fields = SplitCommandLine(commandLine);
  const std::string name = fields.empty() ? std::string() : fields.front();
  const std::string program = FindProgram(name);
  if (program.empty()) return StartFailure(ERROR_FILE_NOT_FOUND, name);

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION started{};
  std::string line(commandLine);  // CreateProcessA may write into its command line
  if (!FitsCommandLine(line)) return {StartOutcome::CommandLineTooLong, {}};
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return StartFailure(GetLastError(), program);
  }
  // Morlett keeps no record of the tools it starts.
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return {StartOutcome::Started, {}};
}

}  // namespace morlett::win32
