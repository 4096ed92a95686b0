// The Directory and Rez buttons with Qt's own dialogs, driven as a user would drive them.
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "qt_test_support.h"

namespace morlett::testing {

using C = Control;

class DialogsTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareApplication(); }

 private slots:
  void folderPickFillsItsFieldAndCancelKeepsIt();
  void rezDialogsStartFromTheRootAndCancelKeepsTheField();
  void saveAsksBeforeOverwriting();
  void openOffersToCreateAMissingName();

 private:
  QTemporaryDir folder_;
  QString InFolder(const QString& name) const { return folder_.filePath(name); }
};

namespace {

QString FieldText(QtProgram& program, Control field) {
  return program.Window().Field(field).text();
}

// Types `name` into the dialog's file-name box and confirms it with Enter.
std::function<void(QFileDialog&)> Enter(const QString& name) {
  return [name](QFileDialog& dialog) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
  };
}

// Answers a Yes/No question, keeping its text.
std::function<void(QMessageBox&)> Answer(QMessageBox::StandardButton button, QString* text) {
  return [button, text](QMessageBox& box) {
    *text = box.text();
    QCOMPARE(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
    box.button(button)->click();
  };
}

}  // namespace

void DialogsTest::folderPickFillsItsFieldAndCancelKeepsIt() {
  StartedProgram program;
  const QString chosen = InFolder("picked folder");
  QVERIFY(QDir().mkpath(chosen));
  QStringList titles;
  ModalDriver driver;
  driver
      .Then<QFileDialog>([&](QFileDialog& dialog) {
        titles << dialog.windowTitle();
        QCOMPARE(dialog.fileMode(), QFileDialog::Directory);
        QCOMPARE(dialog.parentWidget(), &program->Window());
        Enter(chosen)(dialog);
      })
      .Then<QFileDialog>([&](QFileDialog& dialog) {
        titles << dialog.windowTitle();
        dialog.reject();
      })
      .Start();
  Click(*program, C::Command1);
  Click(*program, C::Command1);
  QVERIFY(driver.AllStepsTaken());
  QCOMPARE(titles, QStringList({"Select Directory to Rez", "Select Directory to Rez"}));
  QCOMPARE(FieldText(*program, C::Text2), chosen);
  QCOMPARE(FieldText(*program, C::Text5), QString());
}

void DialogsTest::rezDialogsStartFromTheRootAndCancelKeepsTheField() {
  const struct {
    Control button;
    Control field;
    QString title;
    QFileDialog::AcceptMode mode;
  } kinds[] = {
      {C::Command2, C::Text1, "Destination for Rez File", QFileDialog::AcceptSave},
      {C::Command3, C::Text4, "Rez File to UnRez", QFileDialog::AcceptOpen},
      {C::Command7, C::Text7, "Rez File to View", QFileDialog::AcceptOpen},
  };
  StartedProgram program;
  for (const auto& kind : kinds) {
    program->Window().Field(kind.field).setText("typed.rez");
    ModalDriver driver;
    driver
        .Then<QFileDialog>([&](QFileDialog& dialog) {
          QCOMPARE(dialog.windowTitle(), kind.title);
          QCOMPARE(dialog.acceptMode(), kind.mode);
          QCOMPARE(dialog.parentWidget(), &program->Window());
          QCOMPARE(dialog.directory().absolutePath(), QDir::rootPath());
          QCOMPARE(dialog.nameFilters(), QStringList{"Lithrez File Format (*.rez)"});
          QCOMPARE(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), "Untitled.rez");
          dialog.reject();
        })
        .Start();
    Click(*program, kind.button);
    QVERIFY2(driver.AllStepsTaken(), qPrintable(kind.title));
    QCOMPARE(FieldText(*program, kind.field), QStringLiteral("typed.rez"));
  }
}

// The name is typed without its extension: the dialog adds ".rez" before it looks.
void DialogsTest::saveAsksBeforeOverwriting() {
  StartedProgram program;
  const QString existing = InFolder("old.rez");
  QFile file(existing);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QString refused;
  QString accepted;
  ModalDriver driver;
  driver.Then<QFileDialog>(Enter(InFolder("old")))
      .Then<QMessageBox>(Answer(QMessageBox::No, &refused))
      .Then<QFileDialog>(Enter(InFolder("old")))
      .Then<QMessageBox>(Answer(QMessageBox::Yes, &accepted))
      .Start();
  Click(*program, C::Command2);
  QVERIFY(driver.AllStepsTaken());
  QVERIFY2(refused.contains("old.rez"), qPrintable(refused));
  QCOMPARE(accepted, refused);
  QCOMPARE(FieldText(*program, C::Text1), existing);
}

void DialogsTest::openOffersToCreateAMissingName() {
  StartedProgram program;
  const QString missing = InFolder("missing.rez");
  QString declined;
  QString agreed;
  ModalDriver driver;
  driver.Then<QFileDialog>(Enter(InFolder("missing")))
      .Then<QMessageBox>(Answer(QMessageBox::No, &declined))
      .Then<QFileDialog>(Enter(InFolder("missing")))
      .Then<QMessageBox>(Answer(QMessageBox::Yes, &agreed))
      .Start();
  Click(*program, C::Command7);
  QVERIFY(driver.AllStepsTaken());
  QVERIFY2(declined.contains(missing), qPrintable(declined));
  QCOMPARE(agreed, declined);
  QCOMPARE(FieldText(*program, C::Text7), missing);
  QVERIFY2(!QFile::exists(missing), "the program creates no files");
}

}  // namespace morlett::testing

QTEST_MAIN(morlett::testing::DialogsTest)
#include "dialogs_test.moc"
