#include "platform/qt/console_window.h"

#include <errno.h>
#include <unistd.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTextCursor>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "app/layout.h"
#include "console/program_console.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

constexpr TerminalSize kFirstSize{};
// One read event takes at most this much, so that a flooding tool leaves the event loop
// time for everything else.
constexpr std::size_t kReadBudget = std::size_t{128} * 1024;
// The pane is redrawn at most this often, however fast the output comes, and takes at most
// this many lines each time: a longer wait for the window than that shows as a stall.
constexpr int kRefreshMilliseconds = 50;
constexpr std::uint64_t kLinesPerRefresh = 2500;
// The program's output has no descriptor of its own: it goes straight into the pane.
constexpr ConsoleHandle kOutputHandle = 1;
constexpr char kInterrupt = 0x03;
// Ctrl+C and Ctrl+V go to the tools, as on a terminal; copying and pasting take Shift as well.
constexpr QKeyCombination kCopyKey = Qt::CTRL | Qt::SHIFT | Qt::Key_C;
constexpr QKeyCombination kPasteKey = Qt::CTRL | Qt::SHIFT | Qt::Key_V;
// What screen readers say of the pane.

// What a terminal sends for a key; nothing for the keys that only move around the pane.
std::string KeyBytes(const QKeyEvent& event) {
  const int key = event.key();
  if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) {
    return {static_cast<char>(key - Qt::Key_A + 1)};
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
  typed.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(u'\n', u'\r');
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
    setAccessibleName(FromUtf8(kConsolePaneName));
    setAccessibleDescription(FromUtf8(kConsolePaneDescription));
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const QKeyCombination key = event->keyCombination();
    if (key == kCopyKey) return copy();
    if (key == kPasteKey || key == (Qt::SHIFT | Qt::Key_Insert)) {
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
  void contextMenuEvent(QContextMenuEvent* event) override {
    const std::unique_ptr<QMenu> menu(ContextMenu());
    menu->exec(event->globalPos());
  }

 private:
  // Qt's own menu in Qt's own words, showing the keys that work here: a terminal's copy and
  // paste, and no key for Select All, since Ctrl+A goes to the tools.
  QMenu* ContextMenu() {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions()) {
      const QString label = action->text().section(u'\t', 0, 0);
      if (action->objectName() == QStringLiteral("edit-copy")) {
        action->setText(label + u'\t' + KeyName(kCopyKey));
      } else if (action->objectName() == QStringLiteral("select-all")) {
        action->setText(label);
        const QString paste = QCoreApplication::translate("QWidgetTextControl", "&Paste");
        auto* pasteAction = new QAction(paste + u'\t' + KeyName(kPasteKey), menu);
        connect(pasteAction, &QAction::triggered, this, [this] { Paste(QClipboard::Clipboard); });
        menu->insertAction(action, pasteAction);
      }
    }
    return menu;
  }
  static QString KeyName(QKeyCombination key) {
    return QKeySequence(key).toString(QKeySequence::NativeText);
  }

  void Paste(QClipboard::Mode mode) {
    console_.Type(PastedBytes(QGuiApplication::clipboard()->text(mode)));
  }

  const ProgramConsole& console_;
};

// A window of its own is a window to screen readers too, not a filler inside one.
QAccessibleInterface* ConsoleWindowAccessible(const QString&, QObject* object) {
  auto* window = dynamic_cast<ConsoleWindow*>(object);
  return window ? new QAccessibleWidget(window, QAccessible::Window) : nullptr;
}

}  // namespace

struct ProgramConsole::RunTerminal {
  PseudoTerminal terminal;
  LaterDeleted<QSocketNotifier> reader;  // declared after the terminal: stopped first
};

std::unique_ptr<ProgramConsole> ProgramConsole::Open(ConsoleEvents events) {
  // Each run gets its terminal at its start; a console that could give none is no console.
  if (!PseudoTerminal::Open()) return nullptr;
  return std::unique_ptr<ProgramConsole>(new ProgramConsole(std::move(events)));
}

ProgramConsole::ProgramConsole(ConsoleEvents events) : events_(std::move(events)) {}

ProgramConsole::~ProgramConsole() = default;

std::optional<PseudoTerminal> ProgramConsole::OpenTerminal() const {
  return PseudoTerminal::Open(size_);
}

void ProgramConsole::Attach(RunId run, PseudoTerminal terminal) {
  RunTerminal& attached =
      runs_.try_emplace(run, RunTerminal{std::move(terminal), {}}).first->second;
  attached.reader.reset(new QSocketNotifier(attached.terminal.Master(), QSocketNotifier::Read));
  QObject::connect(attached.reader.get(), &QSocketNotifier::activated, attached.reader.get(),
                   [this, run] { Read(run); });
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
  text_.Feed(kProgramStream, text);
  ShowChanges(true);
}

void ProgramConsole::WriteRunEnd(RunId run, std::string_view line) {
  text_.EndStreamWithLine(run, line);
  ShowChanges(false);
}

void ProgramConsole::ShowChanges(bool showWindow) {
  ConsoleWindow& window = BuiltWindow();
  window.ScheduleRefresh();
  if (showWindow && window.isHidden()) window.show();
}

void ProgramConsole::Type(std::string_view bytes) const {
  if (!runs_.empty()) runs_.rbegin()->second.terminal.Type(bytes);
}

void ProgramConsole::Interrupt() const {
  for (const auto& [id, run] : runs_) run.terminal.Type({&kInterrupt, 1});
}

void ProgramConsole::SetTerminalSize(TerminalSize size) {
  size_ = size;
  for (const auto& [id, run] : runs_) run.terminal.Resize(size);
}

void ProgramConsole::OutliveProgram() {
  outlived_ = true;
  WriteFromProgram(std::string(kOutlivedNote) + "\r\n");
}

void ProgramConsole::HangUp() {
  runs_.clear();
}

void ProgramConsole::Closed() const {
  if (outlived_) events_.closedAfterProgram();
}

ConsoleWindow& ProgramConsole::BuiltWindow() {
  if (!window_) window_ = std::make_unique<ConsoleWindow>(*this);
  return *window_;
}

// The run's output is over once every holder of its terminal has closed it and all is read.
void ProgramConsole::Read(RunId run) {
  const int terminal = runs_.at(run).terminal.Master();
  std::array<char, std::size_t{64} * 1024> buffer{};
  bool ended = false;
  for (std::size_t taken = 0; taken < kReadBudget && !ended;) {
    const ssize_t count = ::read(terminal, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) break;  // all read, for now
    ended = count <= 0;
    if (ended) break;
    text_.Feed(run, std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    taken += static_cast<std::size_t>(count);
  }
  if (window_) window_->ScheduleRefresh();
  if (!ended) return;
  runs_.erase(run);
  events_.outputEnded(run);
}

ConsoleWindow::ConsoleWindow(ProgramConsole& console)
    : console_(console), pane_(new TerminalPane(console, this)) {
  [[maybe_unused]] static const bool accessibleAsWindow = [] {
    QAccessible::installFactory(ConsoleWindowAccessible);
    return true;
  }();
  setWindowTitle(QCoreApplication::applicationFilePath());
  // Showing it again for a banner must not take the keyboard from the main window.
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The program decides when it ends: once its window has gone and its tools have ended.
  setAttribute(Qt::WA_QuitOnClose, false);

  pane_->setUndoRedoEnabled(false);
  pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
  pane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pane_);
  setFocusProxy(pane_);
  for (QScrollBar* bar : {pane_->verticalScrollBar(), pane_->horizontalScrollBar()}) {
    bar->setAccessibleName(pane_->accessibleName());
  }
  const QFontMetrics metrics(pane_->font());
  resize(metrics.horizontalAdvance(u'M') * kFirstSize.columns +
             pane_->verticalScrollBar()->sizeHint().width() + 2 * pane_->frameWidth(),
         metrics.lineSpacing() * kFirstSize.rows + 2 * pane_->frameWidth());
  pane_->viewport()->installEventFilter(this);

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
  event->accept();
  console_.Closed();
}

// The terminal has as many columns and rows as the pane shows whole.
bool ConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    const QFontMetrics metrics(pane_->font());
    const QSize room = pane_->viewport()->size();
    const auto count = [](int length, int step) {
      return static_cast<unsigned short>(std::clamp(length / std::max(step, 1), 1, 0xFFFF));
    };
    console_.SetTerminalSize({count(room.width(), metrics.horizontalAdvance(u'M')),
                              count(room.height(), metrics.lineSpacing())});
  }
  return QWidget::eventFilter(watched, event);
}

// Finished lines `from` to `to`, counted from the start, each followed by a line break.
QString ConsoleWindow::FinishedText(std::uint64_t from, std::uint64_t to) const {
  const TerminalText& text = console_.Text();
  const auto& lines = text.FinishedLines();
  const std::uint64_t firstKept = text.FinishedCount() - lines.size();
  QString shown;
  for (std::uint64_t line = from; line < to; ++line) {
    shown += FromUtf8(lines[static_cast<std::size_t>(line - firstKept)]);
    shown += u'\n';
  }
  return shown;
}

QString ConsoleWindow::OpenText() const {
  QStringList open;
  for (const std::string& line : console_.Text().OpenLines()) open << FromUtf8(line);
  return open.join(u'\n');
}

// Each refresh puts at most kLinesPerRefresh lines in the pane, so that a flood never holds
// up the window: new lines first, in place of the lines being written before, and then, while
// there is room, older ones above them until the pane holds the whole scrollback. A pane too
// far behind starts again from the newest lines. Lines the text no longer keeps leave the top.
void ConsoleWindow::Refresh() {
  refreshing_ = true;
  QScrollBar& scrollBar = *pane_->verticalScrollBar();
  int reading = scrollBar.value();  // where the user reads, unless following the end
  const TerminalText& text = console_.Text();
  const std::uint64_t count = text.FinishedCount();
  const std::uint64_t firstKept = count - text.FinishedLines().size();
  if (count - linesShown_ > kLinesPerRefresh) {
    pane_->clear();  // frees the document's text whole, which removing it would not
    openLinesShown_ = 1;
    linesShown_ = firstShown_ = std::max(firstKept, count - kLinesPerRefresh);
  }
  QTextCursor cursor(pane_->document());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor, openLinesShown_ - 1);
  cursor.insertText(FinishedText(linesShown_, count) + OpenText());
  const std::uint64_t room = kLinesPerRefresh - (count - linesShown_);
  linesShown_ = count;
  openLinesShown_ = std::max<int>(1, static_cast<int>(text.OpenLines().size()));
  cursor.movePosition(QTextCursor::Start);
  if (firstShown_ < firstKept) {
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                        static_cast<int>(firstKept - firstShown_));
    cursor.removeSelectedText();
    reading -= static_cast<int>(firstKept - firstShown_);
    firstShown_ = firstKept;
  }
  const std::uint64_t older = std::min(room, firstShown_ - firstKept);
  cursor.insertText(FinishedText(firstShown_ - older, firstShown_));
  firstShown_ -= older;
  cursor.endEditBlock();
  scrollBar.setValue(followingTheEnd_ ? scrollBar.maximum() : reading + static_cast<int>(older));
  if (followingTheEnd_) pane_->moveCursor(QTextCursor::End);
  if (firstShown_ > firstKept) refresh_.start();  // older lines still to come
  refreshing_ = false;
}

}  // namespace morlett::qt
