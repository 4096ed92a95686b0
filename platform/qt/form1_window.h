// Form1's window, built from the control table: group boxes, buttons, one-line fields,
// labels and the logo, placed by the core's resizing rule on every resize. Paths dropped on
// the fields go to Form1, which decides what each field takes.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>

#include "app/layout.h"
#include "platform/controls.h"

class QDropEvent;
class QLineEdit;

namespace morlett {
class Form1;
}

namespace morlett::qt {

class Form1Window final : public QWidget {
 public:
  // Opens at the design size, or smaller where the screen's free area is smaller.
  Form1Window();

  // Sends the buttons' clicks, the drops and the window's close to `form` from now on.
  void Attach(Form1& form);

  QWidget& Widget(Control control) const { return *widgets_[IndexOf(control)]; }
  QLineEdit& Field(Control field) const;

  // The client area the control table was drawn for, in logical pixels.
  static QSize DesignSize();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Create(const ControlEntry& entry);
  void LinkControls();
  void ApplyLayout(const ScaledLayout& layout);
  QSize FirstSize() const;
  bool TakeDrop(Control field, QDropEvent& event);

  std::array<QWidget*, kControlCount> widgets_{};
  std::array<QFont, kControlCount> defaultFonts_{};
  Form1* form_ = nullptr;
};

// The light bulb, in its two sizes.
QIcon BulbIcon();

}  // namespace morlett::qt
