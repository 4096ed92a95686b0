// What the Windows tests share: a scratch folder on the C: drive, the stand-in tool's folder,
// and waiting for a condition while the thread's messages keep flowing.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace morlett::testing {

inline std::wstring Wide(const std::string& text) {
  std::wstring wide(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      static_cast<int>(wide.size()));
  return wide;
}

inline std::string FullPath(const std::string& path) {
  std::string full(GetFullPathNameA(path.c_str(), 0, nullptr, nullptr), '\0');
  full.resize(
      GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  return full;
}

// A fresh folder under the user's temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string temp(MAX_PATH, '\0');
    temp.resize(GetTempPathA(static_cast<DWORD>(temp.size()), temp.data()));
    path_ = temp + "morlett-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    SetCurrentDirectoryA(FolderOf(path_).c_str());  // a folder in use cannot be removed
    std::error_code ignored;
    std::filesystem::remove_all(Wide(path_), ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string Folder(const std::string& name) const {
    const std::string folder = path_ + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }
  std::string File(const std::string& name) const {
    const std::string file = path_ + "\\" + name;
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file;
  }

 private:
  static std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
  }
  std::string path_;
};

// Lets the thread's messages run, through `dispatch`, until `done` holds or the time is up.
template <class Done, class Dispatch>
bool PumpUntil(Done done, Dispatch dispatch,
               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

}  // namespace morlett::testing
