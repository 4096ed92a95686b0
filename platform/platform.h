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

// How the system writes paths and command lines: "/" and a shell's quoting, or "\\" as well,
// drive letters, names that ignore case, and the C runtime's quoting.
enum class PathStyle { Posix, Windows };

inline bool IsPathSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// The raw material of the search for the tool; which of these places count is the program's
// decision, not the platform's.
struct ToolSearchPlaces {
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

enum class EndKind { Exited, Signalled, Interrupted };

// How a started run ended, as the system tells it.
struct RunEnd {
  RunId run = 0;
  EndKind kind = EndKind::Exited;
  std::int64_t code = 0;   // the exit code, or the signal's number
  std::string signalName;  // the signal's short name, such as "TERM", when signalled
  double seconds = 0;      // from its start to its end
};

// What a drag brings: the ways its source lets it be dropped, and its data. Backends report it
// as the drag offers it; whether and how it is taken is the program's decision.
struct DroppedItem {
  std::string scheme = "file";  // the item's URL scheme; "file" for a file of a file system
  std::string host;             // the file URL's host; empty for this machine
  std::string path;             // the path's bytes, exactly as the system names the file
};

struct DroppedData {
  bool offersCopy = false;
  bool offersLink = false;
  std::vector<DroppedItem> items;
  std::optional<std::string> text;  // plain text, for a drop with no items
};

enum class DropAction { Refuse, Copy, Link };

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
  // A backend tells the program (Form1::RunEnded) when a started run has ended, once all of
  // its output is shown.
  // Writes the program's line that closes a run's output, after all of it. The console takes
  // it as long as it shows the run, also once the program's own output has been closed.
  virtual void WriteRunEnd(RunId run, std::string_view line) = 0;
  // Asks the user to look at the program, as a taskbar entry does, unless its window is the
  // active one.
  virtual void AskForAttention() = 0;

  virtual PathStyle SystemPathStyle() = 0;
  // `path` as the file system names it: absolute against the folder tools start in, with ".",
  // "..", repeated separators and, in the part of it that exists, symbolic links (on Windows,
  // short names too) resolved. Two names of one file give one text, but for case on Windows.
  virtual std::string CanonicalPath(const std::string& path) = 0;

 protected:
  virtual std::string FieldText(Control field) = 0;
  virtual void SetFieldText(Control field, std::string_view text) = 0;
};

}  // namespace morlett
