#include "platform/qt/console_window.h"

#include <errno.h>
#include <unistd.h>

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTextCursor>
#include <QVBoxLayout>
#include <array>

#include "app/layout.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

constexpr TerminalLimits kLimits{};
constexpr QSize kVisibleCharacters{80, 25};
// One read event takes at most this much, so that a flooding tool leaves the event loop
// time for everything else.
constexpr std::size_t kReadBudget = 256 * 1024;
// The pane is redrawn at most this often, however fast the output comes.
constexpr int kRefreshMilliseconds = 50;
// The program's output has no descriptor of its own: it goes straight into the pane.
constexpr ConsoleHandle kOutputHandle = 1;
constexpr char kInterrupt = 0x03;

// What a terminal sends for a key; nothing for the keys that only move around the pane.
std::string KeyBytes(const QKeyEvent& event) {
  const int key = event.key();
  if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
    return std::string(1, static_cast<char>(key - Qt::Key_A + 1));
  }
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return "\r";
    case Qt::Key_Backspace:
      return "\x7f";
    case Qt::Key_Tab:
      return "\t";
    case Qt::Key_Escape:
      return "\x1b";
    default:
      return event.text().toStdString();
  }
}

// Pasted line breaks arrive as Enter does.
std::string PastedBytes(const QString& text) {
  QString typed = text;
  typed.replace(QLatin1String("\r\n"), QLatin1String("\r")).replace(QLatin1Char('\n'), '\r');
  return typed.toStdString();
}

// The console's pane: read-only to the document, while keys, input-method text and pastes go
// to the tools. Ctrl+C interrupts, so copying is Ctrl+Shift+C or the context menu.
class TerminalPane final : public QPlainTextEdit {
 public:
  TerminalPane(const ProgramConsole& console, QWidget* parent)
      : QPlainTextEdit(parent), console_(console) {
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QKeyCombination key = event->keyCombination();
    if (key == (Qt::CTRL | Qt::SHIFT | Qt::Key_C)) return copy();
    if (key == (Qt::CTRL | Qt::SHIFT | Qt::Key_V) || key == (Qt::SHIFT | Qt::Key_Insert)) {
      return Paste(QClipboard::Clipboard);
    }
    if (key == (Qt::CTRL | Qt::Key_C)) return console_.Interrupt();
    const std::string bytes = KeyBytes(*event);
    if (bytes.empty()) return QPlainTextEdit::keyPressEvent(event);
    console_.Type(bytes);
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    console_.Type(event->commitString().toStdString());
    event->accept();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::MiddleButton) return QPlainTextEdit::mouseReleaseEvent(event);
    const bool selection = QGuiApplication::clipboard()->supportsSelection();
    Paste(selection ? QClipboard::Selection : QClipboard::Clipboard);
  }

 private:
  void Paste(QClipboard::Mode mode) {
    console_.Type(PastedBytes(QGuiApplication::clipboard()->text(mode)));
  }

  const ProgramConsole& console_;
};

}  // namespace

struct ProgramConsole::RunTerminal {
  PseudoTerminal terminal;
  std::unique_ptr<QSocketNotifier> reader;  // declared after the terminal: stopped first
};

std::unique_ptr<ProgramConsole> ProgramConsole::Open() {
  // Each run gets its terminal at its start; a console that could give none is no console.
  if (!PseudoTerminal::Open()) return nullptr;
  return std::unique_ptr<ProgramConsole>(new ProgramConsole());
}

ProgramConsole::~ProgramConsole() = default;

void ProgramConsole::Attach(PseudoTerminal terminal) {
  RunTerminal& run = runs_.emplace_back(std::move(terminal), nullptr);
  run.reader = std::make_unique<QSocketNotifier>(run.terminal.Master(), QSocketNotifier::Read);
  QObject::connect(run.reader.get(), &QSocketNotifier::activated,
                   [this, position = std::prev(runs_.end())] { Read(position); });
}

ConsoleHandle ProgramConsole::OpenOutput() {
  outputOpen_ = true;
  return Output();
}

ConsoleHandle ProgramConsole::Output() const {
  return outputOpen_ ? kOutputHandle : 0;
}

void ProgramConsole::CloseOutput() {
  outputOpen_ = false;
}

void ProgramConsole::WriteFromProgram(std::string_view text) {
  text_.Feed(text);
  ConsoleWindow& window = BuiltWindow();
  window.ScheduleRefresh();
  if (window.isHidden()) window.show();
}

void ProgramConsole::Type(std::string_view bytes) const {
  if (!runs_.empty()) runs_.back().terminal.Type(bytes);
}

void ProgramConsole::Interrupt() const {
  for (const RunTerminal& run : runs_) run.terminal.Type({&kInterrupt, 1});
}

void ProgramConsole::OutliveProgram() {
  outlived_ = true;
  const std::string note =
      std::string(kAppTitle) + " has closed; this window closes when its tools end.\n";
  WriteFromProgram((text_.CurrentLine().empty() ? "" : "\n") + note);
}

void ProgramConsole::HangUp() {
  runs_.clear();
}

ConsoleWindow& ProgramConsole::BuiltWindow() {
  if (!window_) window_ = std::make_unique<ConsoleWindow>(*this);
  return *window_;
}

// The run is over once every holder of its terminal has closed it and its output is read.
void ProgramConsole::Read(Runs::iterator run) {
  std::array<char, 64 * 1024> buffer;
  for (std::size_t taken = 0; taken < kReadBudget;) {
    const ssize_t count = ::read(run->terminal.Master(), buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) break;  // all read, for now
    if (count <= 0) {
      runs_.erase(run);
      break;
    }
    text_.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    taken += static_cast<std::size_t>(count);
  }
  if (window_) window_->ScheduleRefresh();
}

ConsoleWindow::ConsoleWindow(ProgramConsole& console)
    : console_(console), pane_(new TerminalPane(console, this)) {
  setWindowTitle(QCoreApplication::applicationFilePath());
  // Showing it again for a banner must not take the keyboard from the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The program decides when it ends: once its window has gone and its tools have ended.
  setAttribute(Qt::WA_QuitOnClose, false);

  pane_->setUndoRedoEnabled(false);
  pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane_->setMaximumBlockCount(static_cast<int>(kLimits.scrollbackLines) + 1);
  pane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pane_);
  setFocusProxy(pane_);
  const QFontMetrics metrics(pane_->font());
  resize(metrics.horizontalAdvance(QLatin1Char('M')) * kVisibleCharacters.width() +
             pane_->verticalScrollBar()->sizeHint().width() + 2 * pane_->frameWidth(),
         metrics.lineSpacing() * kVisibleCharacters.height() + 2 * pane_->frameWidth());

  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMilliseconds);
  connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
  // Only the user moves the pane away from the newest output, and back to it.
  QScrollBar* scrollBar = pane_->verticalScrollBar();
  connect(scrollBar, &QScrollBar::valueChanged, this, [this, scrollBar](int value) {
    if (!refreshing_) followingTheEnd_ = value == scrollBar->maximum();
  });
  ScheduleRefresh();  // what arrived before the window was built
}

void ConsoleWindow::ScheduleRefresh() {
  if (!refresh_.isActive()) refresh_.start();
}

void ConsoleWindow::closeEvent(QCloseEvent* event) {
  if (console_.Outlived()) console_.HangUp();
  event->accept();
}

// Finished lines never change, so only the new ones and the line being written are put in
// the pane; the pane drops its oldest lines itself, at the same limit as the text.
void ConsoleWindow::Refresh() {
  refreshing_ = true;
  const TerminalText& text = console_.Text();
  const auto& lines = text.FinishedLines();
  const std::uint64_t firstKept = text.FinishedCount() - lines.size();
  if (linesShown_ < firstKept) {
    pane_->setPlainText(FromUtf8(text.Text()));
  } else {
    QString update;
    for (auto line = lines.begin() + static_cast<std::ptrdiff_t>(linesShown_ - firstKept);
         line != lines.end(); ++line) {
      update += FromUtf8(*line);
      update += QLatin1Char('\n');
    }
    update += FromUtf8(text.CurrentLine());
    QTextCursor cursor(pane_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(update);
  }
  linesShown_ = text.FinishedCount();
  if (followingTheEnd_) {
    pane_->moveCursor(QTextCursor::End);
    pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
  }
  refreshing_ = false;
}

}  // namespace morlett::qt
