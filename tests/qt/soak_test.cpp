// Long runs of what a user does many times: starting tools, a tool flooding the console while
// the window is in use, and resizing. Nothing may pile up: processes, descriptors, memory.
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <functional>

#include "qt_test_support.h"

namespace morlett::testing {

using C = Control;

class SoakTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareApplication(); }

 private slots:
  void thousandStartsInBatchesLeaveNothingBehind();
  void floodWhileTheWindowIsUsedStaysResponsiveAndBounded();
  void thousandResizesKeepMemoryAndRestoreTheDesignLayout();
};

namespace {

// Growth that a leak of ten kilobytes per operation would exceed, and the settling of the
// allocator and of the toolkit's caches would not. A check for leaks, not a measurement.
constexpr long kMemoryMarginKiB = 8 * 1024;

constexpr int kToolTimeoutMs = 60000;

// Everything a resize places: each control's box and font.
struct Placement {
  std::vector<QRect> boxes;
  std::vector<QFont> fonts;
  friend bool operator==(const Placement&, const Placement&) = default;
};

Placement PlacementOf(const Form1Window& window) {
  Placement placement;
  for (const ControlSpec& entry : ControlTable()) {
    placement.boxes.push_back(window.Widget(entry.id).geometry());
    placement.fonts.push_back(window.Widget(entry.id).font());
  }
  return placement;
}

// Runs the event loop, as the program's own does, until `done` holds or the time is up.
// QTest::qWaitFor sleeps between rounds, which would hold a flood back to its pace.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(50);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

// Resizes, waits until the window has taken the size and laid itself out for it, and paints
// it there, as the screen would show it.
bool ResizeTo(Form1Window& window, QSize size) {
  window.resize(size);
  const QSize design = Form1Window::DesignSize();
  const Rect image =
      ScaleLayout({size.width(), size.height()}, {design.width(), design.height()})[C::Image1];
  const bool laidOut = QTest::qWaitFor([&] {
    return window.size() == size && window.Widget(C::Image1).geometry() ==
                                        QRect(image.left, image.top, image.width, image.height);
  });
  window.repaint();
  return laidOut;
}

}  // namespace

// Fifty quick clicks at a time, so that fifty tools run at once, twenty times over. The first
// half fills the console's scrollback; the second half may add nothing.
void SoakTest::thousandStartsInBatchesLeaveNothingBehind() {
  constexpr int kBatches = 20;
  constexpr int kBatchSize = 50;
  StandInRecord record;
  StartedProgram program;
  const auto runBatch = [&] {
    for (int i = 0; i < kBatchSize; ++i) Click(*program, C::Command9);
    // An ended child that nobody reaped stays a child, as a zombie, so none may be left.
    return QTest::qWaitFor([] { return ChildProcessCount() == 0; }, kToolTimeoutMs);
  };

  for (int batch = 0; batch < kBatches / 2; ++batch) QVERIFY(runBatch());
  // The first large paint of the console starts the toolkit's painting threads, once, and
  // each keeps descriptors for its event loop.
  const std::vector<int> descriptorsSettled = OpenDescriptors();
  const long residentSettled = ResidentKiB();
  for (int batch = kBatches / 2; batch < kBatches; ++batch) QVERIFY(runBatch());

  QCOMPARE(OpenDescriptors(), descriptorsSettled);
  const long growth = ResidentKiB() - residentSettled;
  qInfo("starts: resident memory %+ld KiB over the last %d starts", growth,
        kBatches * kBatchSize / 2);
  QVERIFY2(growth < kMemoryMarginKiB, qPrintable(QStringLiteral("%1 KiB more").arg(growth)));
  QCOMPARE(record.Runs().size(), std::size_t{kBatches * kBatchSize});
  QVERIFY(program->Platform().Console()->Pane().blockCount() <= 2001);
}

void SoakTest::floodWhileTheWindowIsUsedStaysResponsiveAndBounded() {
  constexpr long long kFloodBytes = 200'000'000;
  constexpr long kFloodMarginKiB = 64 * 1024;  // a kept flood would be 200 MB and more
  StandInRecord record;
  StartedProgram program;
  Form1Window& window = program->Window();
  const ConsoleWindow& console = *program->Platform().Console();
  const TerminalText& text = console.Text();
  const auto flooding = [] { return ChildProcessCount() > 0; };

  // A timer that counts the event loop's rounds and the memory at each, while the flood runs.
  int roundsDuringFlood = 0;
  qint64 longestWait = 0;  // reported, never asserted
  QElapsedTimer sinceLastRound;
  sinceLastRound.start();
  const long residentBefore = ResidentKiB();
  long residentPeak = residentBefore;
  QTimer everyRound;
  connect(&everyRound, &QTimer::timeout, [&] {
    if (flooding()) {
      ++roundsDuringFlood;
      longestWait = std::max(longestWait, sinceLastRound.elapsed());
      residentPeak = std::max(residentPeak, ResidentKiB());
    }
    sinceLastRound.restart();
  });
  everyRound.start(10);

  qputenv("STAND_IN_FLOOD", QByteArray::number(kFloodBytes));
  Click(*program, C::Command9);
  qunsetenv("STAND_IN_FLOOD");
  QVERIFY(QTest::qWaitFor([&] { return text.FinishedCount() > 1000; }));

  // The window in use meanwhile: typing, a resize, a dialog, another tool.
  QTest::keyClicks(&window.Field(C::Text1), "typed during the flood.rez");
  QTest::keyClicks(&window.Field(C::Text2), "some folder");
  QVERIFY(ResizeTo(window, window.size() + QSize(120, 40)));
  ModalDriver driver;
  driver.Then<QDialog>([](QDialog& dialog) { dialog.reject(); }).Start();
  Click(*program, C::Command1);
  QVERIFY(driver.AllStepsTaken());
  Click(*program, C::Command4);
  QVERIFY(QTest::qWaitFor([&] { return record.Runs().size() == 2; }, kToolTimeoutMs));
  QVERIFY2(flooding(), "the flood ended before the window had been used");

  QVERIFY(RunUntil([&] { return !flooding(); }, 240000));
  everyRound.stop();
  // Everything the tools wrote is in the terminal before this, so it arrives last.
  program->Platform().WriteConsoleText(program->Form().ConsoleOutput(), "flood over\r\n");
  QVERIFY(QTest::qWaitFor([&] { return text.FinishedLines().back() == "flood over"; }));

  QCOMPARE(record.Runs().back(), ArgumentList({"cv", "typed during the flood.rez", "some folder"}));
  QVERIFY2(roundsDuringFlood >= 10, qPrintable(QString::number(roundsDuringFlood)));
  const long growth = residentPeak - residentBefore;
  qInfo(
      "flood: the event loop came round %d times, at most %lld ms apart; resident memory at "
      "most %+ld KiB",
      roundsDuringFlood, static_cast<long long>(longestWait), growth);
  QVERIFY2(growth < kFloodMarginKiB, qPrintable(QStringLiteral("%1 KiB more").arg(growth)));
  QVERIFY(text.FinishedLines().size() <= 2000);
  QTRY_VERIFY(console.Pane().toPlainText().endsWith("flood over\n"));
  const QScrollBar& scrollBar = *console.Pane().verticalScrollBar();
  QVERIFY2(scrollBar.value() == scrollBar.maximum(), "the pane follows the newest output");
  QVERIFY(console.Pane().blockCount() <= 2001);
  QVERIFY(console.Pane().document()->characterCount() <= 2001 * 1025);
}

// Back and forth between a tiny window and the whole screen, in steps, so that every font
// size on the way has been met before the memory is first taken.
void SoakTest::thousandResizesKeepMemoryAndRestoreTheDesignLayout() {
  constexpr int kResizes = 1000;
  constexpr int kStepsEachWay = 50;
  StartedProgram program;
  Form1Window& window = program->Window();
  const Placement design = PlacementOf(window);
  const QSize tiny(1, 1);
  const QSize full = window.screen()->availableGeometry().size();
  const auto sizeAt = [&](int resize) {
    const int step = resize % (2 * kStepsEachWay);
    const double way = (step < kStepsEachWay ? step : 2 * kStepsEachWay - step) /
                       static_cast<double>(kStepsEachWay);
    return tiny + (full - tiny) * way;
  };

  long residentSettled = 0;
  for (int resize = 0; resize < kResizes; ++resize) {
    if (resize == 2 * kStepsEachWay) residentSettled = ResidentKiB();
    QVERIFY2(ResizeTo(window, sizeAt(resize)), qPrintable(QString::number(resize)));
  }
  const long growth = ResidentKiB() - residentSettled;
  qInfo("resizes: resident memory %+ld KiB over the last %d resizes", growth,
        kResizes - 2 * kStepsEachWay);

  QVERIFY(ResizeTo(window, Form1Window::DesignSize()));
  QVERIFY(PlacementOf(window) == design);
  QVERIFY2(growth < kMemoryMarginKiB, qPrintable(QStringLiteral("%1 KiB more").arg(growth)));
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::SoakTest)
#include "soak_test.moc"
