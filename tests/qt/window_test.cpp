// The Linux window as a user meets it, offscreen, with the stand-in lithrez first on PATH.
#include <QtTest>
#include <QtWidgets>
#include <set>

#include "platform/qt/qt_program.h"
#include "support/hard_fields.h"
#include "support/stand_in_log.h"

namespace morlett::testing {

using C = Control;

// The program, started as a user starts it, with a Quit that does nothing.
struct StartedProgram {
  StartedProgram() {
    program.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&Window()));
  }
  qt::Form1Window& Window() { return program.Window(); }
  QLineEdit& Field(Control field) { return Window().Field(field); }
  morlett::Platform& Platform() { return program.Platform(); }
  void Click(Control c) { QTest::mouseClick(&Window().Widget(c), Qt::LeftButton); }
  qt::QtProgram program{[] {}};
};

// Sets an environment variable for one scope and puts back what was there, however it ends.
struct ScopedEnv {
  ScopedEnv(const char* variable, const QByteArray& value) : name(variable), old(qgetenv(name)) {
    qputenv(name, value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { old.isNull() ? qunsetenv(name) : qputenv(name, old); }
  const char* name;
  QByteArray old;
};

// Acts on dialogs as they show, a step per dialog in order, each from an event of its own so
// that a dialog its action opens meets the next step. A failed step closes its dialog.
class DialogDriver : public QObject {
 public:
  DialogDriver() { qApp->installEventFilter(this); }
  template <typename Dialog>
  DialogDriver& Then(std::function<void(Dialog&)> act) {
    steps_.push_back([act](QObject* shown) {
      auto* dialog = qobject_cast<Dialog*>(shown);
      if (!dialog) return false;
      QTimer::singleShot(0, dialog, [act, dialog] {
        act(*dialog);
        if (QTest::currentTestFailed()) dialog->close();
      });
      return true;
    });
    return *this;
  }
  bool AllStepsTaken() const { return steps_.empty(); }

 protected:
  bool eventFilter(QObject* shown, QEvent* event) override {
    if (event->type() == QEvent::Show && !steps_.empty() && steps_.front()(shown)) {
      steps_.removeFirst();
    }
    return false;
  }

 private:
  QList<std::function<bool(QObject*)>> steps_;
};

// Whether a caption fits the room the control's style gives it, in the font it has now. Labels
// and group boxes say how wide they must be; a button draws its caption inside its frame.
bool CaptionFits(const QWidget& control) {
  const auto* button = qobject_cast<const QPushButton*>(&control);
  if (!button) return control.minimumSizeHint().width() <= control.width();
  QStyleOptionButton option;
  option.initFrom(button);
  const QRect room =
      button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
  return QFontMetricsF(button->font()).horizontalAdvance(button->text()) <= room.width();
}

class WindowTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() {  // Qt's own dialogs, on a display of their own, whatever the desktop
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }

 private slots:
  // The platform's text is UTF-8 and Qt's UTF-16: each crossing converts. What the user types,
  // pastes or commits by an input method keeps its first line, so the field shows what the next
  // action reads.
  void fieldsConvertTextAndKeepOneLine_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QString>("shown");  // the field held "ab", the cursor after "a" to insert
    QTest::newRow("set") << "set" << QByteArray("na\xc3\xafve \xe2\x9c\x93") << "naïve ✓";
    QTest::newRow("set, invalid UTF-8") << "set" << QByteArray("\xff raw") << "\ufffd raw";
    QTest::newRow("typed") << "typed" << QByteArray("C:\\My Dir\\") << "abC:\\My Dir\\";
    QTest::newRow("pasted lines") << "pasted" << QByteArray("one\r\ntwo") << "aoneb";
    QTest::newRow("pasted NUL") << "pasted" << QByteArray("one\0two", 7) << "aoneb";
    QTest::newRow("Shift+Insert") << "Shift+Insert" << QByteArray("line1\rline2 visible tail")
                                  << "aline1b";
    QTest::newRow("input method") << "input method" << QByteArray("one\ntwo") << "aoneb";
  }
  void fieldsConvertTextAndKeepOneLine() {
    QFETCH(QString, how);
    QFETCH(QByteArray, given);
    QFETCH(QString, shown);
    StartedProgram program;
    QLineEdit& field = program.Field(C::Text1);
    field.setText("ab");
    const bool inserted = how != "set" && how != "typed";
    field.setCursorPosition(inserted ? 1 : 2);
    QApplication::clipboard()->setText(QString::fromUtf8(given));
    if (how == "set") program.Platform().SetText(C::Text1, given.toStdString());
    if (how == "typed") QTest::keyClicks(&field, QString::fromUtf8(given));
    if (how == "pasted") QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    if (how == "Shift+Insert") QTest::keyClick(&field, Qt::Key_Insert, Qt::ShiftModifier);
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8(given));
    if (how == "input method") QApplication::sendEvent(&field, &commit);
    QCOMPARE(field.text(), shown);
    QCOMPARE(program.Platform().GetText(C::Text1), shown.toStdString());
    QVERIFY(!inserted || field.cursorPosition() == shown.indexOf('b'));  // after what was kept
  }

  // Each field holds a different hard text, so one turning up in another's place shows; Create's
  // are hard for a shell too. Enter and Space press a focused button. The tools run at once, in
  // any order. The line shown, run by a shell, gives the tool what Morlett's own run got.
  void clicksReachTheToolWithEveryFieldWhole() {
    QTemporaryDir dir;
    const std::string log = dir.filePath("runs.log").toStdString();
    const ScopedEnv logTo("STAND_IN_LOG", QByteArray::fromStdString(log));
    StartedProgram program;
    const auto put = [&](Control field, std::string_view text) {
      program.Platform().SetText(field, text);
      return std::string(text);
    };
    const ArgumentList create = {"cv", put(C::Text1, "/tmp/a b/$HOME `id` it's.rez"),
                                 put(C::Text2, "C:\\My \"Dir\"\\")};
    const std::set<ArgumentList> expected = {
        create,
        {"xv", put(C::Text4, kHardFields[15]), put(C::Text5, kHardFields[17])},
        {"v", put(C::Text7, kHardFields[4])},
        {}};
    QTest::keyClick(&program.Window().Widget(C::Command4), Qt::Key_Return);  // keys go to the focus
    QTest::keyClick(&program.Window().Widget(C::Command6), Qt::Key_Space);
    for (Control tool : {C::Command8, C::Command9}) program.Click(tool);
    QTRY_COMPARE_WITH_TIMEOUT(ReadStandInLog(log).size(), expected.size(), 60000);
    const std::vector<ArgumentList> runs = ReadStandInLog(log);
    QVERIFY(std::set(runs.begin(), runs.end()) == expected);

    const QString shellLog = dir.filePath("shell.log");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("STAND_IN_LOG", shellLog);
    environment.insert("PATH", QFileInfo(QStandardPaths::findExecutable("lithrez")).path());
    QProcess shell;
    shell.setProcessEnvironment(environment);
    shell.start("/bin/sh", {"-c", program.Field(C::Text3).text()});
    QVERIFY(shell.waitForFinished(60000));
    QCOMPARE(ReadStandInLog(shellLog.toStdString()), std::vector<ArgumentList>{create});
  }

  // Names are typed without their extension: the dialog adds ".rez" before it looks. Declining
  // the question goes back to the dialog. A tool that cannot start is told of in a message box.
  void dialogsPickAskAndTell() {
    QTemporaryDir folder;
    const QString existing = folder.filePath("old.rez"), missing = folder.filePath("missing.rez");
    QVERIFY(QDir(folder.path()).mkdir("picked") && QFile(existing).open(QIODevice::WriteOnly));
    StartedProgram program;
    program.Field(C::Text7).setText("typed.rez");
    const auto enter = [&](const QString& name) {
      return std::function([&, name](QFileDialog& dialog) {
        QVERIFY(dialog.parentWidget() == &program.Window() && dialog.isModal());
        if (name.isEmpty()) return dialog.reject();
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText(folder.filePath(name));
        QTest::keyClick(dialog.findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Return);
      });
    };
    QStringList asked;  // each question, then the message
    const auto answer = [&](QMessageBox::StandardButton button, QMessageBox::Icon icon) {
      return std::function([&, button, icon](QMessageBox& box) {
        QVERIFY(box.icon() == icon && box.isModal());
        asked << box.text();
        box.button(button)->click();
      });
    };
    DialogDriver driver;
    driver.Then(enter("picked"));                                                        // Command1
    driver.Then(enter("old")).Then(answer(QMessageBox::Yes, QMessageBox::Warning));      // Command2
    driver.Then(enter("missing")).Then(answer(QMessageBox::No, QMessageBox::Question));  // 7
    driver.Then(enter("")).Then(answer(QMessageBox::Ok, QMessageBox::Critical));         // 6
    for (const Control button : {C::Command1, C::Command2, C::Command7}) program.Click(button);
    const ScopedEnv noTool("PATH", folder.path().toUtf8());
    program.Click(C::Command6);
    QVERIFY(driver.AllStepsTaken());
    QCOMPARE(program.Field(C::Text2).text(), folder.filePath("picked"));
    QCOMPARE(program.Field(C::Text1).text(), existing);
    QCOMPARE(program.Field(C::Text7).text(), "typed.rez");
    QVERIFY(asked.size() == 3 && asked[1].contains(missing) && asked[2].startsWith("Couldn't"));
    QVERIFY(!QFile::exists(missing) && program.Window().isVisible());
  }

  // A drop is taken as a copy or a link the source offers, never as a move; the field takes a
  // path as the URL's bytes name it, or else refuses the drop and stays as it was.
  void dropsReplaceTheFieldOrAreRefused_data() {
    QTest::addColumn<Control>("field");
    QTest::addColumn<Qt::DropActions>("offered");
    QTest::addColumn<QList<QUrl>>("urls");  // none: the drop is the text
    QTest::addColumn<QString>("after");     // what the field holds; "before" when refused
    const auto row = [](const char* name, Control field, const QList<QUrl>& urls,
                        const QString& after,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction) {
      QTest::newRow(name) << field << offered << urls << after;
    };
    const QList file{QUrl::fromLocalFile("/tmp/my archives/a.rez")};
    row("a file", C::Text1, file, "/tmp/my archives/a.rez");
    row("two: the first", C::Text5, {QUrl("file://localhost/d/1"), file[0]}, "/d/1");
    row("another host", C::Text2, {QUrl("file://otherhost/tmp/a.rez")}, "before");
    row("remote", C::Text4, {QUrl("https://example.org/a.rez")}, "before");
    row("not UTF-8", C::Text4, {QUrl::fromEncoded("file:///tmp/caf%E9.rez")}, "before");
    row("text", C::Text7, {}, "/a path");
    row("not a path field", C::Text3, file, "before");
    row("move only", C::Text1, file, "before", Qt::MoveAction);
    row("link only", C::Text1, file, "/tmp/my archives/a.rez", Qt::LinkAction);
  }
  void dropsReplaceTheFieldOrAreRefused() {
    QFETCH(Control, field);
    QFETCH(Qt::DropActions, offered);
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, after);
    StartedProgram program;
    QLineEdit& target = program.Field(field);
    target.setText("before");
    QMimeData mime;
    urls.isEmpty() ? mime.setText("/a path\n") : mime.setUrls(urls);
    const QPoint middle = target.rect().center();  // with Shift, a move is proposed
    QDragEnterEvent enter(middle, offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&target, &enter);
    QVERIFY(!enter.isAccepted() || (enter.dropAction() & offered & ~Qt::MoveAction));
    QDropEvent drop(middle, offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&target, &drop);
    QCOMPARE(target.text(), after);
    const auto taken = offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction;
    QCOMPARE(drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction,
             after == "before" ? Qt::IgnoreAction : taken);
  }

  // Also run at 120, 144 and 192 dpi on a 1280 by 1024 screen (see CMakeLists.txt).
  void captionsFitAndTheWindowFitsTheScreen() {
    StartedProgram program;
    for (const ControlEntry& entry : ControlTable()) {
      const bool captioned = !entry.caption.empty() && entry.kind != ControlKind::TextField;
      QVERIFY2(!captioned || CaptionFits(program.Window().Widget(entry.id)), entry.name.data());
    }
    const QRect free = program.Window().screen()->availableGeometry();
    QVERIFY(free.contains(program.Window().frameGeometry()));
    if (free.width() >= 1000) QCOMPARE(program.Window().size(), qt::Form1Window::DesignSize());
  }

  // The logo is the picture, pixel for pixel; the window is a window to screen readers, and the
  // controls have names.
  void logoAndNamesSayWhatTheControlsAre() {
    StartedProgram program;
    auto& logo = static_cast<QLabel&>(program.Window().Widget(C::Image1));
    QCOMPARE(logo.pixmap().toImage(), QPixmap(MORLETT_SOURCE_DIR "/resources/logo.jpg").toImage());
    QCOMPARE(QAccessible::queryAccessibleInterface(&program.Window())->role(), QAccessible::Window);
    QVERIFY(!QAccessible::queryAccessibleInterface(&logo)->text(QAccessible::Name).isEmpty());
    std::set<QString> names;
    for (const Control control : TabOrder()) {
      QWidget& widget = program.Window().Widget(control);
      const QString name = QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name);
      QVERIFY2(!name.isEmpty() && names.insert(name).second && widget.toolTip() == name,
               qPrintable(name));
    }
    for (const Control label : {C::Label1, C::Label2, C::Label3}) {
      QCOMPARE(static_cast<QLabel&>(program.Window().Widget(label)).buddy(),
               &program.Window().Widget(LabelledField(label)));
    }
  }
};

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::WindowTest)
#include "window_test.moc"
