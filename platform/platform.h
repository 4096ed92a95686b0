// The narrow set of operations the program needs from the windowing platform and the
// operating system. Everything the program decides happens above this line; a backend
// only translates each call into its platform's terms.
//
// All text is UTF-8; backends convert at the platform call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"

namespace morlett {

// Opaque platform handles. 0 means "none".
using ConsoleHandle = std::uintptr_t;
using WindowHandle = std::uintptr_t;

// How a started program's window first appears. The value is the platform's own.
enum class ShowState : int { MinimizedActive = 2 };

enum class MessageIcon { None, Error };

struct MessageRequest {
  WindowHandle owner = 0;
  std::string title;
  std::string text;  // shown with one OK button
  MessageIcon icon = MessageIcon::None;
};

struct FolderRequest {
  WindowHandle owner = 0;
  std::string title;
  bool onlyFileSystemFolders = true;
};

enum class FileDialogKind { Open, Save };

// The file-dialog behaviour flags, with the platform's own values.
namespace dialog_flags {
inline constexpr std::uint32_t kOverwritePrompt = 0x2;
inline constexpr std::uint32_t kHideReadOnly = 0x4;
inline constexpr std::uint32_t kCreatePrompt = 0x2000;
inline constexpr std::uint32_t kExplorer = 0x80000;
inline constexpr std::uint32_t kNoDereferenceLinks = 0x100000;
inline constexpr std::uint32_t kLongNames = 0x200000;
}  // namespace dialog_flags

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  WindowHandle owner = 0;
  std::string title;
  std::string filterName;
  std::string filterPattern;
  std::string initialDirectory;
  std::string proposedName;
  std::string defaultExtension;  // without the dot
  std::uint32_t flags = 0;
  friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

enum class PathStyle { Posix, Windows };

// The raw material of the search for the tool; which of these places count is the program's
// decision, not the platform's.
struct ToolSearchPlaces {
  PathStyle style = PathStyle::Posix;
  std::vector<std::string> leadingFolders;  // searched before PATH: own and system folders
  std::string pathVariable;                 // PATH, as the environment holds it
  std::string executableSuffix;             // what a program's file name ends with
};

struct StartRequest {
  std::string program;                 // the tool's absolute path: nothing is searched again
  std::vector<std::string> arguments;  // the argument list the tool receives, its name first
  std::string commandLine;             // the line shown in the window, which joins `arguments`
  ShowState show = ShowState::MinimizedActive;
};

// Names one started run while the program lasts; 0 is none.
using RunId = std::uint64_t;

enum class StartOutcome { Started, Failed, CommandLineTooLong };

struct StartResult {
  StartOutcome outcome = StartOutcome::Failed;
  std::string failureReason;  // the system's words, when it failed
  RunId run = 0;

  bool Started() const { return outcome == StartOutcome::Started; }
};

// What a one-line field keeps of any text it is given: the text before the first line break
// or NUL, so that the field shows exactly what the next action reads.
inline std::string_view OneLine(std::string_view text) {
  return text.substr(0, text.find_first_of(std::string_view("\0\r\n", 3)));
}

class Platform {
 public:
  virtual ~Platform() = default;

  void SetText(Control field, std::string_view text) { SetFieldText(field, OneLine(text)); }
  std::string GetText(Control field) { return std::string(OneLine(FieldText(field))); }

  virtual WindowHandle OwnerWindow() = 0;
  virtual void ShowMessage(const MessageRequest& request) = 0;
  // Ends the program at once; the window's Unload does not run.
  virtual void EndProgram() = 0;

  virtual bool AllocateConsole() = 0;  // true when a new console now belongs to the program
  virtual ConsoleHandle StandardOutput() = 0;
  virtual void WriteConsoleText(ConsoleHandle console, std::string_view text) = 0;
  virtual void CloseConsoleHandle(ConsoleHandle console) = 0;
  virtual void FreeConsole() = 0;

  // The chosen folder's path, or nothing when cancelled or not a file-system folder.
  virtual std::optional<std::string> BrowseForFolder(const FolderRequest& request) = 0;
  // The chosen file's full path, or nothing when cancelled.
  virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;

  virtual ToolSearchPlaces SearchPlaces() = 0;
  // True for a file the system would start as a program; false for folders and the rest.
  virtual bool IsProgramFile(const std::string& path) = 0;
  // Starts the request's program as a new process and returns without waiting for it.
  virtual StartResult StartProgram(const StartRequest& request) = 0;
  // Whether a run that StartProgram reported is still going.
  virtual bool IsRunning(RunId run) = 0;

 protected:
  virtual std::string FieldText(Control field) = 0;
  virtual void SetFieldText(Control field, std::string_view text) = 0;
};

}  // namespace morlett
