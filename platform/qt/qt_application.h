// What the Linux program sets up once for the whole application, before any window.
#pragma once

#include <QApplication>
#include <memory>

namespace morlett::qt {

// Qt's application on the user's display. Without a display the program cannot run at all:
// it says so in one line and ends with status 1, where Qt itself would abort.
std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv);

// The application's name, icon and desktop entry, and Qt's own words in the user's language.
void ConfigureApplication();

}  // namespace morlett::qt
