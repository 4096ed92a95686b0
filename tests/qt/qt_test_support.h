// What the window tests share: a driver for modal dialogs, a record of the stand-in tool's
// runs, and a census of child processes and open descriptors.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_program.h"
#include "support/stand_in_log.h"

namespace morlett::testing {

// Tests use Qt's own dialogs, on a display of their own, whatever the desktop offers.
inline void PrepareApplication() {
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Acts on modal dialogs as they come up, one step per dialog, in order: each step waits for
// the active modal widget to be of its kind, then acts on it from an event of its own, so
// that a dialog opened by the action is met by the next step. Gives up, closing whatever is
// modal, when the steps are not all taken by the deadline, so a test never hangs.
class ModalDriver : public QObject {
 public:
  template <typename Dialog>
  ModalDriver& Then(std::function<void(Dialog&)> act) {
    steps_.push_back({[](QWidget* widget) { return qobject_cast<Dialog*>(widget) != nullptr; },
                      [act](QWidget* widget) { act(*qobject_cast<Dialog*>(widget)); }});
    return *this;
  }

  void Start(int timeoutMilliseconds = 20000) {
    deadline_.setRemainingTime(timeoutMilliseconds);
    QTimer::singleShot(0, this, [this] { Poll(); });
  }

  bool AllStepsTaken() const { return steps_.empty(); }

 private:
  struct Step {
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> act;
  };

  void Poll() {
    if (steps_.empty()) return;
    if (deadline_.hasExpired()) return GiveUp();
    QWidget* modal = QApplication::activeModalWidget();
    // A dialog that a step has acted on is taken again only once that action has returned.
    const bool free = modal != lastTarget_ || lastActionReturned_;
    if (modal && modal->isVisible() && free && steps_.front().matches(modal)) {
      auto act = steps_.front().act;
      steps_.pop_front();
      lastTarget_ = modal;
      lastActionReturned_ = false;
      QTimer::singleShot(0, modal, [this, act, modal] {
        act(modal);
        lastActionReturned_ = true;
      });
    }
    QTimer::singleShot(10, this, [this] { Poll(); });
  }

  void GiveUp() {
    while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  }

  std::deque<Step> steps_;
  QDeadlineTimer deadline_;
  const QWidget* lastTarget_ = nullptr;
  bool lastActionReturned_ = true;
};

// The stand-in tool's record of its runs, in a folder of the test's own.
class StandInRecord {
 public:
  StandInRecord() : path_(dir_.filePath("runs.log").toStdString()) {
    qputenv("STAND_IN_LOG", QByteArray::fromStdString(path_));
  }
  ~StandInRecord() { qunsetenv("STAND_IN_LOG"); }

  std::vector<ArgumentList> Runs() const { return ReadStandInLog(path_); }

 private:
  QTemporaryDir dir_;
  std::string path_;
};

// How many child processes this process has, zombies included.
int ChildProcessCount();

// The numbers of the descriptors this process has open.
std::vector<int> OpenDescriptors();

// How many open descriptors refer to a pseudo-terminal.
int OpenTerminalDescriptors();

// The memory this process has resident now.
long ResidentKiB();

// Clicks the button with the mouse, as a user would.
void Click(QtProgram& program, Control button);

// A tool button, the fields it reads in argument order, and where it shows its command line.
struct ToolButton {
  Control button;
  std::vector<Control> inputs;
  std::string modeWord;
  Control shownIn;
};

inline const std::vector<ToolButton> kToolButtons = {
    {Control::Command4, {Control::Text1, Control::Text2}, "cv", Control::Text3},
    {Control::Command6, {Control::Text4, Control::Text5}, "xv", Control::Text6},
    {Control::Command8, {Control::Text7}, "v", Control::Text8},
    {Control::Command9, {}, "", Control::Text10},
};

// The program, started as a user would start it, with a Quit that is only recorded.
class StartedProgram {
 public:
  StartedProgram();
  ~StartedProgram();

  QtProgram& operator*() { return *program_; }
  QtProgram* operator->() { return program_.get(); }
  bool Ended() const { return *ended_; }

  // The text the console window's pane shows.
  QString ConsolePane() const;

 private:
  std::shared_ptr<bool> ended_ = std::make_shared<bool>(false);
  std::unique_ptr<QtProgram> program_;
};

}  // namespace morlett::testing
