// A platform for tests: it records every call in order and answers from a script.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace morlett {

class FakePlatform final : public Platform {
 public:
  FakePlatform();

  // The script. Dialog answers are taken first to last; an empty queue answers "cancelled".
  bool consoleAllocates = true;
  ConsoleHandle standardOutput = 7;
  WindowHandle ownerWindow = 0x10;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  StartResult startResult{StartOutcome::Started, {}};
  PathStyle pathStyle = PathStyle::Posix;
  ToolSearchPlaces searchPlaces{{}, "/usr/bin", ""};
  std::set<std::string> programFiles{"/usr/bin/lithrez"};
  // The file system's own names for paths; any other path is its own.
  std::map<std::string, std::string> canonicalPaths;

  // What happened, one line per call: the operation's name, then what it was given.
  std::vector<std::string> calls;
  std::vector<MessageRequest> messages;
  std::vector<FolderRequest> folderRequests;
  std::vector<FileDialogRequest> fileRequests;
  std::vector<StartRequest> starts;
  std::map<Control, std::string> fields;

  WindowHandle OwnerWindow() override { return ownerWindow; }
  void ShowMessage(const MessageRequest& request) override;
  void EndProgram() override;
  bool AllocateConsole() override;
  ConsoleHandle StandardOutput() override;
  void WriteConsoleText(ConsoleHandle console, std::string_view text) override;
  void CloseConsoleHandle(ConsoleHandle console) override;
  void FreeConsole() override;
  std::optional<std::string> BrowseForFolder(const FolderRequest& request) override;
  std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) override;
  ToolSearchPlaces SearchPlaces() override { return searchPlaces; }
  bool IsProgramFile(const std::string& path) override { return programFiles.contains(path); }
  StartResult StartProgram(const StartRequest& request) override;
  void WriteRunEnd(RunId run, std::string_view line) override;
  void AskForAttention() override;
  PathStyle SystemPathStyle() override { return pathStyle; }
  std::string CanonicalPath(const std::string& path) override;

 protected:
  std::string FieldText(Control field) override;
  void SetFieldText(Control field, std::string_view text) override;

 private:
  void Record(std::string_view operation, std::string_view detail = {});
};

}  // namespace morlett
