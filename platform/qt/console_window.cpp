#include "platform/qt/console_window.h"
#include "platform/qt/qt_text.h"

#include <errno.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTextCursor>
#include <QVBoxLayout>
#include <array>

namespace morlett::qt {
namespace {

constexpr TerminalLimits kLimits{.scrollbackLines = 2000, .lineColumns = 1024};
constexpr QSize kVisibleCharacters{80, 25};
// One read event takes at most this much, so that a flooding tool leaves the event loop
// time for everything else.
constexpr std::size_t kReadBudget = 256 * 1024;
// The pane is redrawn at most this often, however fast the output comes.
constexpr int kRefreshMilliseconds = 50;
// Reading makes room in a full terminal; a flood may take that room first, so the program's
// write gives up waiting after a few rounds and shows the rest directly.
constexpr int kWriteRounds = 8;

// A handle is the writer's descriptor plus one, since 0 means "none" and 0 is a descriptor.
ConsoleHandle HandleOf(const UniqueFd& fd) {
  return fd ? static_cast<ConsoleHandle>(fd.get()) + 1 : 0;
}

}  // namespace

std::unique_ptr<ConsoleWindow> ConsoleWindow::Open() {
  std::optional<PseudoTerminal> terminal = PseudoTerminal::Open();
  if (!terminal) return nullptr;
  return std::unique_ptr<ConsoleWindow>(new ConsoleWindow(std::move(*terminal)));
}

ConsoleWindow::ConsoleWindow(PseudoTerminal terminal)
    : terminal_(std::move(terminal)),
      text_(kLimits),
      pane_(new QPlainTextEdit(this)),
      reader_(new QSocketNotifier(terminal_.ReadSide(), QSocketNotifier::Read, this)) {
  setWindowTitle(QCoreApplication::applicationFilePath());
  // Showing it again for a banner must not take the keyboard from the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The console never keeps the program running once the main window has closed.
  setAttribute(Qt::WA_QuitOnClose, false);

  pane_->setReadOnly(true);
  pane_->setUndoRedoEnabled(false);
  pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane_->setMaximumBlockCount(static_cast<int>(kLimits.scrollbackLines) + 1);
  pane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pane_);
  const QFontMetrics metrics(pane_->font());
  resize(metrics.horizontalAdvance(QLatin1Char('M')) * kVisibleCharacters.width() +
             pane_->verticalScrollBar()->sizeHint().width() + 2 * pane_->frameWidth(),
         metrics.lineSpacing() * kVisibleCharacters.height() + 2 * pane_->frameWidth());

  refresh_.setSingleShot(true);
  refresh_.setInterval(kRefreshMilliseconds);
  connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
  connect(reader_, &QSocketNotifier::activated, this, [this] { ReadAvailable(); });
  // Only the user moves the pane away from the newest output, and back to it.
  QScrollBar* scrollBar = pane_->verticalScrollBar();
  connect(scrollBar, &QScrollBar::valueChanged, this, [this, scrollBar](int value) {
    if (!refreshing_) followingTheEnd_ = value == scrollBar->maximum();
  });
}

// The notifier is a child and outlives the descriptor it watches unless stopped first.
ConsoleWindow::~ConsoleWindow() {
  reader_->setEnabled(false);
}

ConsoleHandle ConsoleWindow::OpenOutput() {
  output_ = terminal_.OpenWriter();
  return Output();
}

ConsoleHandle ConsoleWindow::Output() const {
  return HandleOf(output_);
}

void ConsoleWindow::CloseOutput() {
  output_ = UniqueFd();
}

void ConsoleWindow::WriteFromProgram(std::string_view text) {
  for (int round = 0; round < kWriteRounds && !text.empty() && output_; ++round) {
    const ssize_t written = ::write(output_.get(), text.data(), text.size());
    if (written > 0) {
      text.remove_prefix(static_cast<std::size_t>(written));
    } else if (errno == EAGAIN || errno == EINTR) {
      ReadAvailable();  // this thread is the reader: make room instead of waiting for it
    } else {
      break;
    }
  }
  if (!text.empty()) text_.Feed(text);
  ScheduleRefresh();
  if (isHidden()) show();
}

void ConsoleWindow::ReadAvailable() {
  std::array<char, 64 * 1024> buffer;
  for (std::size_t taken = 0; taken < kReadBudget;) {
    const ssize_t count = ::read(terminal_.ReadSide(), buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) break;  // all read, for now
    if (count <= 0) {
      reader_->setEnabled(false);  // the terminal is gone for good
      break;
    }
    text_.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    taken += static_cast<std::size_t>(count);
  }
  ScheduleRefresh();
}

void ConsoleWindow::ScheduleRefresh() {
  if (!refresh_.isActive()) refresh_.start();
}

// Finished lines never change, so only the new ones and the line being written are put in
// the pane; the pane drops its oldest lines itself, at the same limit as the text.
void ConsoleWindow::Refresh() {
  refreshing_ = true;
  const auto& lines = text_.FinishedLines();
  const std::uint64_t firstKept = text_.FinishedCount() - lines.size();
  if (linesShown_ < firstKept) {
    pane_->setPlainText(FromUtf8(text_.Text()));
  } else {
    QString update;
    for (auto line = lines.begin() + static_cast<std::ptrdiff_t>(linesShown_ - firstKept);
         line != lines.end(); ++line) {
      update += FromUtf8(*line);
      update += QLatin1Char('\n');
    }
    update += FromUtf8(text_.CurrentLine());
    QTextCursor cursor(pane_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(update);
  }
  linesShown_ = text_.FinishedCount();
  if (followingTheEnd_) {
    pane_->moveCursor(QTextCursor::End);
    pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
  }
  refreshing_ = false;
}

}  // namespace morlett::qt
