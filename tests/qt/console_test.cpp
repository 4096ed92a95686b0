// Placeholder: the console's tests come with the terminal work.
#include <QTest>

class ConsoleTest : public QObject {
  Q_OBJECT
};

QTEST_MAIN(ConsoleTest)
#include "console_test.moc"
