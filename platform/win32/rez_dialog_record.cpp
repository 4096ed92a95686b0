#include "platform/win32/rez_dialog_record.h"

#include <algorithm>

namespace morlett::win32 {
namespace {

// The record's size before Windows 2000 added its last three fields; 32-bit Windows still
// takes it, while 64-bit Windows refuses it and wants the record's own size.
constexpr DWORD kOriginalRecordSize = 76;
constexpr DWORD kRecordSize = sizeof(void*) == 4 ? kOriginalRecordSize : sizeof(OPENFILENAMEA);

// The core passes the dialogs' behaviour flags with the platform's own values.
static_assert(dialog_flags::kOverwritePrompt == OFN_OVERWRITEPROMPT);
static_assert(dialog_flags::kHideReadOnly == OFN_HIDEREADONLY);
static_assert(dialog_flags::kCreatePrompt == OFN_CREATEPROMPT);
static_assert(dialog_flags::kExplorer == OFN_EXPLORER);
static_assert(dialog_flags::kNoDereferenceLinks == OFN_NODEREFERENCELINKS);
static_assert(dialog_flags::kLongNames == OFN_LONGNAMES);

template <std::size_t N>
void CopyTerminated(std::string_view text, std::array<char, N>& buffer) {
  buffer.fill('\0');
  std::copy_n(text.begin(), std::min(text.size(), N - 1), buffer.begin());
}

template <std::size_t N>
std::string TextBeforeNul(const std::array<char, N>& buffer) {
  return std::string(buffer.begin(), std::find(buffer.begin(), buffer.end(), '\0'));
}

}  // namespace

void RezDialogRecord::Fill(const FileDialogRequest& request) {
  // The filter list is name, NUL, pattern, NUL, and the NUL that c_str() adds ends the list.
  filter_ = request.filterName + '\0' + request.filterPattern + '\0';
  title_ = request.title;
  initialDirectory_ = request.initialDirectory;
  defaultExtension_ = request.defaultExtension;
  CopyTerminated(request.proposedName, file_);

  record_.lStructSize = kRecordSize;
  record_.hwndOwner = reinterpret_cast<HWND>(request.owner);
  record_.lpstrFilter = filter_.c_str();
  record_.nFilterIndex = 1;
  record_.lpstrFile = file_.data();
  record_.nMaxFile = static_cast<DWORD>(file_.size());
  record_.lpstrInitialDir = initialDirectory_.c_str();
  record_.lpstrTitle = title_.c_str();
  record_.Flags = request.flags;
  record_.lpstrDefExt = defaultExtension_.c_str();
}

std::optional<std::string> RezDialogRecord::Show(const FileDialogRequest& request) {
  Fill(request);
  const BOOL confirmed = request.kind == FileDialogKind::Save ? GetSaveFileNameA(&record_)
                                                              : GetOpenFileNameA(&record_);
  if (!confirmed) return std::nullopt;
  return TextBeforeNul(file_);
}

}  // namespace morlett::win32
