#include "dialog_driver.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <array>

namespace morlett::testing {
namespace {

DialogDriver* current = nullptr;
constexpr UINT_PTR kStepTimer = 0x4d4f;
constexpr UINT kStepDelayMs = 50;
constexpr int kMaxTries = 200;  // ten seconds

std::string WindowText(HWND window) {
  std::array<char, 1024> text{};
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

bool IsDialog(HWND window) {
  std::array<char, 16> name{};
  GetClassNameA(window, name.data(), static_cast<int>(name.size()));
  return std::string_view(name.data()) == "#32770";
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  const std::string text = WindowText(child);
  if (!text.empty()) reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
  return TRUE;
}

DialogSeen Look(HWND dialog) {
  DialogSeen seen;
  seen.caption = WindowText(dialog);
  EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(&seen.texts));
  seen.fileName = WindowText(GetDlgItem(dialog, cmb13));
  seen.fileType = WindowText(GetDlgItem(dialog, cmb1));
  std::array<char, MAX_PATH> folder{};
  if (SendMessageA(dialog, CDM_GETFOLDERPATH, folder.size(),
                   reinterpret_cast<LPARAM>(folder.data())) > 0) {
    seen.folder = folder.data();
  }
  return seen;
}

void Press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

}  // namespace

DialogDriver::DialogDriver(std::vector<DialogStep> steps) : steps_(std::move(steps)) {
  current = this;
  hook_ = SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

DialogDriver::~DialogDriver() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
}

LRESULT CALLBACK DialogDriver::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
  const HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && current && IsDialog(window) &&
      std::find(current->dialogs_.begin(), current->dialogs_.end(), window) ==
          current->dialogs_.end()) {
    current->dialogs_.push_back(window);
    SetTimer(window, kStepTimer, kStepDelayMs, OnTimer);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogDriver::OnTimer(HWND dialog, UINT, UINT_PTR id, DWORD) {
  if (!current) return;
  const auto found = std::find(current->dialogs_.begin(), current->dialogs_.end(), dialog);
  const auto index = static_cast<std::size_t>(found - current->dialogs_.begin());
  if (current->seen_.size() <= index) {
    current->seen_.resize(index + 1);
    current->tries_.resize(index + 1);
    current->seen_[index] = Look(dialog);
  }
  const bool hasStep = index < current->steps_.size();
  if (hasStep && current->steps_[index](dialog)) {
    KillTimer(dialog, id);
  } else if (!hasStep || ++current->tries_[index] >= kMaxTries) {
    KillTimer(dialog, id);
    Press(dialog, IDCANCEL);
  }
}

DialogStep ChooseFile(std::string path) {
  return [path](HWND dialog) {
    SetDlgItemTextA(dialog, cmb13, path.c_str());
    Press(dialog, IDOK);
    return true;
  };
}

// Selects the folder, and confirms once the browser's tree shows it selected.
DialogStep ChooseFolder(std::string folder) {
  const std::string name = folder.substr(folder.find_last_of('\\') + 1);
  return [folder, name](HWND dialog) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    const HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    std::array<char, MAX_PATH> text{};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(tree);
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ||
        name != text.data()) {
      return false;
    }
    Press(dialog, IDOK);
    return true;
  };
}

DialogStep Confirm() {
  return [](HWND dialog) {
    Press(dialog, IDOK);
    return true;
  };
}

DialogStep Cancel() {
  return [](HWND dialog) {
    Press(dialog, IDCANCEL);
    return true;
  };
}

}  // namespace morlett::testing
