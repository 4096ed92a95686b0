#include "platform/qt/form1_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <cmath>
#include <limits>

#include "app/form1.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

// The table's twips are logical pixels at this density; Qt scales them for the screen.
constexpr int kLogicalDotsPerInch = 96;

QRect ToQRect(const Rect& rect) {
  return {rect.left, rect.top, rect.width, rect.height};
}

QLabel* CreatePicture(QWidget* parent) {
  auto* picture = new QLabel(parent);
  picture->setPixmap(QPixmap(QStringLiteral(":/morlett/logo.jpg")));
  picture->setScaledContents(true);
  return picture;
}

// A field holds whatever it is given, however long: a path cut short would reach the tool
// as another path.
QLineEdit* CreateField(const QString& text, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setMaxLength(std::numeric_limits<int>::max());
  field->setText(text);
  return field;
}

QFont Scaled(QFont font, double scale) {
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * scale);
  } else {
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
  }
  return font;
}

// The table was drawn for a narrower font than many desktops have. Where the scaled default
// font would cut a label's caption, the label gets the same font at the size that fits, with
// a little room before the field that follows it.
QFont FittedToWidth(const QFont& font, const QString& caption, int boxWidth) {
  constexpr int kRoomAfterCaption = 3;
  const int width = std::max(1, boxWidth - kRoomAfterCaption);
  const qreal needed = QFontMetricsF(font).horizontalAdvance(caption);
  if (needed <= width || needed <= 0) return font;
  QFont fitted = Scaled(font, width / needed);
  for (int step = 0; step < 4 && QFontMetricsF(fitted).horizontalAdvance(caption) > width; ++step) {
    fitted = Scaled(fitted, 0.95);
  }
  return fitted;
}

}  // namespace

QIcon BulbIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/morlett/bulb-16.png"));
  icon.addFile(QStringLiteral(":/morlett/bulb-32.png"));
  return icon;
}

QSize Form1Window::DesignSize() {
  const Size design = DesignClientPixels(kLogicalDotsPerInch);
  return {design.width, design.height};
}

Form1Window::Form1Window() {
  widgets_[IndexOf(Control::Form1)] = this;
  setWindowTitle(FromUtf8(kWindowCaption));
  setWindowIcon(BulbIcon());
  for (const ControlEntry& entry : ControlTable()) {
    QWidget* widget = Create(entry);
    widget->setObjectName(FromUtf8(entry.name));
    widget->setVisible(entry.visible);
    widgets_[IndexOf(entry.id)] = widget;
    defaultFonts_[IndexOf(entry.id)] = widget->font();
  }
  const auto order = TabOrder();
  for (std::size_t i = 1; i < order.size(); ++i) {
    setTabOrder(&Widget(order[i - 1]), &Widget(order[i]));
  }
  resize(DesignSize());
}

QWidget* Form1Window::Create(const ControlEntry& entry) {
  QWidget* parent = &Widget(entry.container);
  const QString caption = FromUtf8(entry.caption);
  switch (entry.kind) {
    case ControlKind::Frame:
      return new QGroupBox(caption, parent);
    case ControlKind::Button: {
      auto* button = new QPushButton(caption, parent);
      connect(button, &QPushButton::clicked, this, [this, id = entry.id] {
        if (form_) form_->Click(id);
      });
      return button;
    }
    case ControlKind::TextField:
      return CreateField(caption, parent);
    case ControlKind::Label:
      return new QLabel(caption, parent);
    case ControlKind::Picture:
      return CreatePicture(parent);
  }
  return nullptr;
}

void Form1Window::Attach(Form1& form) {
  form_ = &form;
}

QLineEdit& Form1Window::Field(Control field) const {
  return *static_cast<QLineEdit*>(&Widget(field));
}

void Form1Window::resizeEvent(QResizeEvent* event) {
  const QSize client = event->size();
  const QSize design = DesignSize();
  ApplyLayout(ScaleLayout({client.width(), client.height()}, {design.width(), design.height()}));
}

void Form1Window::ApplyLayout(const ScaledLayout& layout) {
  for (const ControlEntry& entry : ControlTable()) {
    QWidget& widget = Widget(entry.id);
    const Rect& box = layout[entry.id];
    widget.setGeometry(ToQRect(box));
    const QFont font = Scaled(defaultFonts_[IndexOf(entry.id)], layout.fontScale);
    widget.setFont(entry.kind == ControlKind::Label
                       ? FittedToWidth(font, FromUtf8(entry.caption), box.width)
                       : font);
  }
}

void Form1Window::closeEvent(QCloseEvent* event) {
  if (form_) form_->Unload();
  event->accept();
}

}  // namespace morlett::qt
