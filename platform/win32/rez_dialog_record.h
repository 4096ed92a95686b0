// RezDialogRecord: the program's one file-dialog record, shared by the three Rez buttons
// for the whole run, with the buffers and strings it points into.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <array>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace morlett::win32 {

class RezDialogRecord {
 public:
  RezDialogRecord() = default;
  ~RezDialogRecord() = default;
  // The record points into this object, so it stays where it is.
  RezDialogRecord(const RezDialogRecord&) = delete;
  RezDialogRecord& operator=(const RezDialogRecord&) = delete;

  // Refills the record from `request`, shows the save or open dialog, and returns the chosen
  // full path, or nothing when the user cancelled.
  std::optional<std::string> Show(const FileDialogRequest& request);

 private:
  void Fill(const FileDialogRequest& request);

  // The proposed name "Untitled.rez", room for 1024 more characters, and the closing NUL.
  static constexpr std::size_t kFileChars = 1037;

  OPENFILENAMEA record_{};
  std::string filter_;
  std::string title_;
  std::string initialDirectory_;
  std::string defaultExtension_;
  std::array<char, kFileChars> file_{};
};

}  // namespace morlett::win32
