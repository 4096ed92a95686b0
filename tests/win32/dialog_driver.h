// Acts on the modal dialogs that a click opens, as a user would. A CBT hook sees each dialog
// become active; a timer then runs the test's step on it from inside the dialog's own loop,
// which is how Wine's conformance tests drive the common dialogs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace morlett::testing {

// What a dialog showed when its step ran.
struct DialogSeen {
  std::string caption;
  std::vector<std::string> texts;  // the texts of its controls, in window order
  std::string fileName;            // a file dialog's name box
  std::string fileType;            // a file dialog's type list
  std::string folder;              // the folder a file dialog shows
};

// Acts on a dialog; false when the dialog is not ready for it yet, and it is to be tried again.
using DialogStep = std::function<bool(HWND dialog)>;

class DialogDriver {
 public:
  // Each dialog that opens gets the next step, and what it showed is recorded. A dialog left
  // with no step, or whose step cannot be done in time, is cancelled, so that a fault cannot
  // hang the test.
  explicit DialogDriver(std::vector<DialogStep> steps);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  const std::vector<DialogSeen>& Seen() const { return seen_; }

 private:
  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK OnTimer(HWND dialog, UINT message, UINT_PTR id, DWORD time);

  std::vector<DialogStep> steps_;
  std::vector<DialogSeen> seen_;
  std::vector<HWND> dialogs_;  // in the order they opened
  std::vector<int> tries_;
  HHOOK hook_ = nullptr;
};

// Types `path` into a file dialog's name box and confirms.
DialogStep ChooseFile(std::string path);
// Selects `folder` in the folder browser and confirms.
DialogStep ChooseFolder(std::string folder);
DialogStep Confirm();
DialogStep Cancel();

}  // namespace morlett::testing
