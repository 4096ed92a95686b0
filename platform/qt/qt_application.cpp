#include "platform/qt/qt_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/layout.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

// What Qt says while it opens the display, held back until it is known whether that worked.
struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};
std::vector<HeldMessage>& HeldMessages() {
  static std::vector<HeldMessage> held;
  return held;
}

[[noreturn]] void ExitWithoutDisplay(const QString& platformReason) {
  const bool nothingNamed = qEnvironmentVariableIsEmpty("DISPLAY") &&
                            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  const QString reason = nothingNamed ? QStringLiteral("DISPLAY is not set")
                                      : platformReason.section(u'\n', 0, 0).trimmed();
  // Where even this cannot be written, the status still says it.
  static_cast<void>(
      std::fprintf(stderr, "morlett: cannot open the display: %s\n", qUtf8Printable(reason)));
  std::_Exit(1);  // nothing has started yet that needs ending
}

// Qt says why the display would not open in a warning, then aborts with a fatal message.
void HoldWhileOpening(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    ExitWithoutDisplay(HeldMessages().empty() ? text : HeldMessages().front().text);
  }
  HeldMessages().push_back({type, context.category, text});
}

// Qt's own words (dialog buttons, the file dialog's labels) in the user's language, where the
// system has them.
void LoadQtTranslations() {
  auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
  if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator.release());
  }
}

}  // namespace

std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv) {
  const QtMessageHandler previous = qInstallMessageHandler(HoldWhileOpening);
  auto application = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  for (const HeldMessage& held : std::exchange(HeldMessages(), {})) {
    qt_message_output(held.type, {nullptr, 0, nullptr, held.category.constData()}, held.text);
  }
  return application;
}

void ConfigureApplication() {
  QApplication::setApplicationName(FromUtf8(kAppTitle));
  QApplication::setWindowIcon(BulbIcon());
  // The installed desktop entry's name: Wayland finds the window's icon through it.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.morlett.Morlett"));
  LoadQtTranslations();
}

}  // namespace morlett::qt
