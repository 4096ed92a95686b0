#include "platform/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "pickers/rez_file_dialogs.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

// A start folder of another system ("c:\") does not exist here; the root is the nearest
// equivalent.
QString ExistingFolderOrRoot(const std::string& folder) {
  const QString path = FromUtf8(folder);
  return QFileInfo(path).isDir() ? path : QDir::rootPath();
}

bool Has(std::uint32_t flags, std::uint32_t flag) {
  return (flags & flag) != 0;
}

// The flags with a Qt counterpart; the others (no read-only box, long names, the modern
// look) describe what Qt's dialogs always are.
void ApplyFlags(QFileDialog& dialog, std::uint32_t flags) {
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !Has(flags, dialog_flags::kOverwritePrompt));
  dialog.setOption(QFileDialog::DontResolveSymlinks, Has(flags, dialog_flags::kNoDereferenceLinks));
}

bool AgreesToCreate(QWidget* dialog, const QString& path) {
  const QString question = FromUtf8(CreatePromptQuestion(path.toStdString()));
  return QMessageBox::question(dialog, dialog->windowTitle(), question,
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

// A name the user must agree to create before the dialog may close with it.
bool NeedsCreateConsent(std::uint32_t flags, const QString& path) {
  return Has(flags, dialog_flags::kCreatePrompt) && !QFileInfo::exists(path);
}

}  // namespace

std::optional<std::string> RunFolderDialog(QWidget* owner, const FolderRequest& request) {
  QFileDialog dialog(owner, FromUtf8(request.title));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setFileMode(QFileDialog::Directory);
  // A folder browser lists folders; files would only be in the way.
  dialog.setOption(QFileDialog::ShowDirsOnly);
  // Qt's own dialog browses the file system alone, but a desktop's dialog may also offer
  // network places, which it names by URLs of other schemes: those are kept out.
  if (request.onlyFileSystemFolders) dialog.setSupportedSchemes({QStringLiteral("file")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) return std::nullopt;
  const QUrl chosen = dialog.selectedUrls().constFirst();
  if (!chosen.isLocalFile()) return std::nullopt;  // only the file system's folders have a path
  return chosen.toLocalFile().toStdString();
}

std::optional<std::string> RunFileDialog(QWidget* owner, const FileDialogRequest& request) {
  QFileDialog dialog(owner, FromUtf8(request.title));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                            : QFileDialog::AcceptOpen);
  // Any name may be confirmed; whether a missing one needs the user's consent is a flag.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(FromUtf8(request.filterName + " (" + request.filterPattern + ")"));
  dialog.setDirectory(ExistingFolderOrRoot(request.initialDirectory));
  dialog.selectFile(FromUtf8(request.proposedName));
  dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
  ApplyFlags(dialog, request.flags);
  // Declining to create a missing name goes back to the dialog, as it was left.
  while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString path = dialog.selectedFiles().constFirst();
    if (!NeedsCreateConsent(request.flags, path) || AgreesToCreate(&dialog, path)) {
      return path.toStdString();
    }
  }
  return std::nullopt;
}

}  // namespace morlett::qt
