#include "platform/fake/fake_platform.h"

#include "app/layout.h"

namespace morlett {
namespace {

std::optional<std::string> TakeNext(std::deque<std::optional<std::string>>& answers) {
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace

FakePlatform::FakePlatform() {
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.kind == ControlKind::TextField) fields[entry.id] = std::string(entry.caption);
  }
}

void FakePlatform::Record(std::string_view operation, std::string_view detail) {
  std::string line(operation);
  if (!detail.empty()) line.append(" ").append(detail);
  calls.push_back(std::move(line));
}

std::string FakePlatform::FieldText(Control field) {
  Record("GetText", EntryOf(field).name);
  return fields.at(field);
}

void FakePlatform::SetFieldText(Control field, std::string_view text) {
  Record("SetText", std::string(EntryOf(field).name) + "=" + std::string(text));
  fields.at(field) = std::string(text);
}

void FakePlatform::ShowMessage(const MessageRequest& request) {
  Record("ShowMessage", request.text);
  messages.push_back(request);
}

void FakePlatform::EndProgram() {
  Record("EndProgram");
}

bool FakePlatform::AllocateConsole() {
  Record("AllocateConsole");
  return consoleAllocates;
}

ConsoleHandle FakePlatform::StandardOutput() {
  Record("StandardOutput");
  return standardOutput;
}

void FakePlatform::WriteConsoleText(ConsoleHandle console, std::string_view text) {
  Record("WriteConsoleText", std::to_string(console) + " " + std::string(text));
}

void FakePlatform::CloseConsoleHandle(ConsoleHandle console) {
  Record("CloseConsoleHandle", std::to_string(console));
}

void FakePlatform::FreeConsole() {
  Record("FreeConsole");
}

std::optional<std::string> FakePlatform::BrowseForFolder(const FolderRequest& request) {
  Record("BrowseForFolder", request.title);
  folderRequests.push_back(request);
  return TakeNext(folderAnswers);
}

std::optional<std::string> FakePlatform::ShowFileDialog(const FileDialogRequest& request) {
  Record("ShowFileDialog", request.title);
  fileRequests.push_back(request);
  return TakeNext(fileAnswers);
}

StartResult FakePlatform::StartProgram(const StartRequest& request) {
  Record("StartProgram",
         std::to_string(static_cast<int>(request.show)) + " " + request.commandLine);
  starts.push_back(request);
  StartResult result = startResult;
  if (result.Started()) result.run = starts.size();
  return result;
}

void FakePlatform::WriteRunEnd(RunId run, std::string_view line) {
  Record("WriteRunEnd", std::to_string(run) + " " + std::string(line));
}

void FakePlatform::AskForAttention() {
  Record("AskForAttention");
}

std::string FakePlatform::CanonicalPath(const std::string& path) {
  const auto found = canonicalPaths.find(path);
  return found == canonicalPaths.end() ? path : found->second;
}

}  // namespace morlett
