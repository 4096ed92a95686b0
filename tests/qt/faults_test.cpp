// What goes wrong around the program: a tool that cannot start or fails at once, fields that
// hold what no sensible path holds, and a system that refuses the console. The program says
// what happened where it should, and carries on with every field as it was.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <map>

#include "commands/command_line.h"
#include "qt_test_support.h"

namespace morlett::testing {

using C = Control;

class FaultsTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareApplication(); }

 private slots:
  void toolFailuresAreReportedAndTheProgramCarriesOn();
  void badFieldsReachTheToolExactlyAsQuoted();
  void commandLineTooLongIsRefusedWithAMessage();
  void consoleRefusedStillStartsEveryTool();
};

namespace {

constexpr int kToolTimeoutMs = 20000;
const QString kNoMessage;

// What a failed start says, and the message box it says it in.
struct Message {
  QString text;
  QString title;
  bool plain = false;  // no icon, one OK button, modal to the window
};

// Answers the message box, if one comes, with its only button.
class MessageCatcher {
 public:
  explicit MessageCatcher(QtProgram& program) {
    driver_
        .Then<QMessageBox>([this, &program](QMessageBox& box) {
          caught_ = {box.text(), box.windowTitle(),
                     box.icon() == QMessageBox::NoIcon && box.buttons().size() == 1 &&
                         box.parentWidget() == &program.Window()};
          box.button(QMessageBox::Ok)->click();
        })
        .Start();
  }
  // The message shown so far; its text is empty when none was.
  const Message& Caught() const { return caught_; }

 private:
  ModalDriver driver_;
  Message caught_;
};

// PATH for the duration of one case.
class PathSetTo {
 public:
  explicit PathSetTo(const QStringList& folders) : saved_(qgetenv("PATH")) {
    qputenv("PATH", folders.join(':').toUtf8());
  }
  ~PathSetTo() { qputenv("PATH", saved_); }

 private:
  QByteArray saved_;
};

QString StandInFolder() {
  const QString tool = QStandardPaths::findExecutable("lithrez");
  return QFileInfo(tool).absolutePath();
}

// Lowers the limit on open descriptors so that only `count` more can be opened, for the life
// of this object.
class DescriptorsLeft {
 public:
  explicit DescriptorsLeft(int count) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    std::vector<int> lowestFree;
    for (int i = 0; i <= count; ++i) lowestFree.push_back(dup(STDIN_FILENO));
    for (const int fd : lowestFree) close(fd);
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(lowestFree.back());
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~DescriptorsLeft() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

// With no console, the tools write to the program's own output; keeps them out of the log.
class OwnOutputSilenced {
 public:
  OwnOutputSilenced() : saved_(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)) {
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~OwnOutputSilenced() {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

void SetField(QtProgram& program, Control field, const QString& text) {
  program.Window().Field(field).setText(text);
}

QString FieldText(QtProgram& program, Control field) {
  return program.Window().Field(field).text();
}

// The fields a user fills in, and the one no action reads.
constexpr Control kInputFields[] = {C::Text1, C::Text2, C::Text4, C::Text5, C::Text7, C::Text9};

}  // namespace

void FaultsTest::toolFailuresAreReportedAndTheProgramCarriesOn() {
  QTemporaryDir scratch;
  const QString empty = scratch.filePath("empty");
  const QString notExecutable = scratch.filePath("not-executable");
  const QString directory = scratch.filePath("directory");
  QVERIFY(QDir().mkpath(empty) && QDir().mkpath(notExecutable) &&
          QDir().mkpath(directory + "/lithrez"));
  QFile script(notExecutable + "/lithrez");
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\n");
  script.close();
  QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
  const QString tool = StandInFolder();

  // The search goes on past a file it may not run, as a shell's does, and fails with the
  // reason for the last such file only when nothing later on PATH can be run.
  const struct {
    const char* name;
    QStringList path;
    const char* exitCode;
    QString message;
    std::size_t runs;
  } cases[] = {
      {"missing", {empty}, "0", "Couldn't start lithrez\n\nNo such file or directory", 0},
      {"not executable", {notExecutable}, "0", "Couldn't start lithrez\n\nPermission denied", 0},
      {"a directory", {directory}, "0", "Couldn't start lithrez\n\nPermission denied", 0},
      {"not executable, then the tool", {notExecutable, tool}, "0", kNoMessage, 1},
      {"a directory, then the tool", {directory, tool}, "0", kNoMessage, 1},
      {"failing at once", {tool}, "3", kNoMessage, 1},
  };
  for (const auto& test : cases) {
    StandInRecord record;
    StartedProgram program;
    SetField(*program, C::Text4, "in.rez");
    SetField(*program, C::Text5, "out dir");
    {
      PathSetTo path(test.path);
      qputenv("STAND_IN_EXIT", test.exitCode);
      const MessageCatcher catcher(*program);
      Click(*program, C::Command6);  // a failed start is known before the click returns
      qunsetenv("STAND_IN_EXIT");
      QCOMPARE(catcher.Caught().text, test.message);
      if (!test.message.isEmpty()) {
        QCOMPARE(catcher.Caught().title, QStringLiteral("Morlett"));
        QVERIFY2(catcher.Caught().plain, test.name);
      }
    }
    QVERIFY2(QTest::qWaitFor([&] { return record.Runs().size() == test.runs; }), test.name);
    QVERIFY2(!program.Ended() && program->Window().isVisible(), test.name);
    QCOMPARE(FieldText(*program, C::Text4), QStringLiteral("in.rez"));
    QCOMPARE(FieldText(*program, C::Text5), QStringLiteral("out dir"));
    QCOMPARE(FieldText(*program, C::Text6), QStringLiteral("lithrez xv in.rez \"out dir\""));
    // And the next start, with the tool where it belongs, goes ahead.
    Click(*program, C::Command9);
    QVERIFY2(QTest::qWaitFor([&] { return record.Runs().size() == test.runs + 1; }), test.name);
  }
}

// Every field a tool reads holds the same kind of trouble at once, each field a different
// instance of it, so that one field's text turning up in another's place shows.
void FaultsTest::badFieldsReachTheToolExactlyAsQuoted() {
  const auto longPath = [](QChar letter) { return "/" + QString(39999, letter); };
  const auto withControls = [](QChar letter) {
    return QString(letter) + "\nnewline\rreturn\ttab\x1b[31mescape\x7f" + "delete";
  };
  const auto withLoneSurrogate = [](QChar letter) {
    return QString(letter) + QChar(0xD800) + "half a pair" + QChar(0xDC00);
  };
  const auto withNul = [](QChar letter) { return QString(letter) + "before" + QChar(0) + "after"; };
  const struct {
    const char* name;
    std::function<QString(QChar)> text;  // one variant per field
    bool throughThePlatform;             // set as bytes, through the platform's SetText
  } cases[] = {
      {"40000-character paths", longPath, false},
      {"control characters", withControls, false},
      {"UTF-16 with lone surrogates", withLoneSurrogate, false},
      {"a NUL inside", withNul, false},
      {"invalid UTF-8", nullptr, true},
  };
  const char* kInvalidUtf8 = "\xff\xfe truncated \xe2\x82 overlong \xc0\xaf surrogate \xed\xa0\x80";

  for (const auto& test : cases) {
    StandInRecord record;
    StartedProgram program;
    // What each field was given, as the tool must receive it: in UTF-8, up to any NUL.
    std::map<Control, std::string> expected;
    for (std::size_t i = 0; i < std::size(kInputFields); ++i) {
      const Control field = kInputFields[i];
      const char letter = static_cast<char>('a' + i);
      QString given;
      if (test.throughThePlatform) {
        const std::string bytes = letter + std::string(kInvalidUtf8);
        program->Platform().SetText(field, bytes);
        given = QString::fromStdString(bytes);  // decoded as the toolkit decodes UTF-8
      } else {
        given = test.text(QLatin1Char(letter));
        SetField(*program, field, given);
      }
      QCOMPARE(FieldText(*program, field), given);
      const std::string text = given.toStdString();
      expected[field] = text.substr(0, text.find('\0'));
    }

    for (const ToolButton& tool : kToolButtons) {
      ArgumentList arguments;
      if (!tool.modeWord.empty()) arguments.push_back(tool.modeWord);
      for (const Control field : tool.inputs) arguments.push_back(expected[field]);
      const std::size_t runsBefore = record.Runs().size();
      Click(*program, tool.button);
      const std::string name = std::string(test.name) + ", " + SpecOf(tool.button).name.data();
      QVERIFY2(
          QTest::qWaitFor([&] { return record.Runs().size() == runsBefore + 1; }, kToolTimeoutMs),
          name.c_str());
      QVERIFY2(record.Runs().back() == arguments, name.c_str());
      ArgumentList shown = {"lithrez"};
      shown.insert(shown.end(), arguments.begin(), arguments.end());
      const std::string line = FieldText(*program, tool.shownIn).toStdString();
      QVERIFY2(SplitCommandLine(line) == shown, name.c_str());
    }
    for (const Control field : kInputFields) {
      const std::string held = FieldText(*program, field).toStdString();
      QVERIFY2(held.substr(0, held.find('\0')) == expected[field], test.name);
    }
    QVERIFY2(!program.Ended(), test.name);
  }
}

// Linux takes an argument of at most 128 KiB.
void FaultsTest::commandLineTooLongIsRefusedWithAMessage() {
  const QString huge = "/" + QString(200000, 'h');
  StandInRecord record;
  StartedProgram program;
  SetField(*program, C::Text7, huge);
  {
    const MessageCatcher catcher(*program);
    Click(*program, C::Command8);
    QCOMPARE(
        catcher.Caught().text,
        QStringLiteral("Couldn't start lithrez\n\nThe command line is too long for this system."));
  }
  QCOMPARE(FieldText(*program, C::Text7), huge);
  QCOMPARE(FieldText(*program, C::Text8), "lithrez v " + huge);
  QVERIFY(record.Runs().empty());
  QVERIFY(!program.Ended());
}

// The terminal refused, then the program's own writer on it: each is said once, the window
// opens, and every tool button still starts the tool.
void FaultsTest::consoleRefusedStillStartsEveryTool() {
  { StartedProgram warmUp; }  // fonts and the like are loaded before descriptors run short
  const struct {
    const char* name;
    int descriptorsLeft;  // the terminal takes two, the writer one more
    QString message;
    bool console;
  } cases[] = {
      {"no terminal", 0, "Couldn't allocate console", false},
      {"no writer", 2, "Couldn't allocate STDOUT", true},
  };
  for (const auto& test : cases) {
    StandInRecord record;
    QtProgram program([] {});
    {
      const MessageCatcher catcher(program);
      const DescriptorsLeft shortage(test.descriptorsLeft);
      program.Start();
      QCOMPARE(catcher.Caught().text, test.message);
      QVERIFY2(catcher.Caught().plain, test.name);
    }
    QVERIFY(QTest::qWaitForWindowExposed(&program.Window()));
    QCOMPARE(program.Platform().Console() != nullptr, test.console);
    {
      const OwnOutputSilenced silenced;
      for (const ToolButton& tool : kToolButtons) Click(program, tool.button);
      QVERIFY2(QTest::qWaitFor([&] { return record.Runs().size() == std::size(kToolButtons); },
                               kToolTimeoutMs),
               test.name);
      QVERIFY(QTest::qWaitFor([] { return ChildProcessCount() == 0; }, kToolTimeoutMs));
    }
    if (test.console) {
      // The tools still write into the console; only the banner, which needs the writer, is
      // missing.
      const QPlainTextEdit& pane = program.Platform().Console()->Pane();
      QVERIFY(
          QTest::qWaitFor([&] { return pane.toPlainText().count("lithrez stand-in: done") == 4; }));
      QVERIFY(!pane.toPlainText().contains("Morlett v1.1 Advanced"));
    }
  }
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::FaultsTest)
#include "faults_test.moc"
