#include "platform/qt/form1_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QResource>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "app/form1.h"
#include "platform/qt/qt_text.h"

namespace morlett::qt {
namespace {

// The table's twips are logical pixels at this density; Qt scales them for the screen.
constexpr int kLogicalDotsPerInch = 96;

QRect ToQRect(const Rect& rect) {
  return {rect.left, rect.top, rect.width, rect.height};
}

// The logo is built in as plain pixels (a binary PPM), so showing it loads no image decoder.
QPixmap LogoPixmap() {
  const QByteArray file = QResource(QStringLiteral(":/morlett/logo.ppm")).uncompressedData();
  int width = 0, height = 0, header = 0;
  const bool parsed =
      std::sscanf(file.constData(), "P6 %d %d 255%n", &width, &height, &header) == 2;
  const qsizetype pixels = qsizetype{3} * width * height;
  if (!parsed || header == 0 || file.size() < header + 1 + pixels) return {};
  const auto* rgb = reinterpret_cast<const uchar*>(file.constData() + header + 1);
  return QPixmap::fromImage(QImage(rgb, width, height, 3 * width, QImage::Format_RGB888));
}

// A one-line field holds only what the next action reads. Typing and pasting put the new text
// just before the cursor: of it, the first line up to any NUL is kept, and the rest of the
// field stays as it was.
class OneLineValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int& cursor) const override {
    const QString before = FirstLine(text.left(cursor)), after = FirstLine(text.mid(cursor));
    if (before.size() + after.size() != text.size()) {
      text = before + after;
      cursor = static_cast<int>(before.size());
    }
    return Acceptable;
  }

 private:
  static QString FirstLine(const QString& text) {
    const std::string utf8 = text.toStdString();
    const std::string_view kept = OneLine(utf8);
    return kept.size() == utf8.size() ? text : FromUtf8(kept);
  }
};

// A field holds whatever it is given, however long: a path cut short would reach the tool
// as another path.
QLineEdit* CreateField(const QString& text, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setMaxLength(std::numeric_limits<int>::max());
  field->setValidator(new OneLineValidator(field));
  field->setText(text);
  return field;
}

QLabel* CreatePicture(QWidget* parent) {
  auto* picture = new QLabel(parent);
  picture->setPixmap(LogoPixmap());
  picture->setScaledContents(true);
  return picture;
}

QFont Scaled(QFont font, double scale) {
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * scale);
  } else {
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
  }
  return font;
}

// How wide `caption` is in `font`, and how much of a box of `size` the control's style leaves
// it: a label draws across its box, a button inside its frame, a group box between its margins.
std::pair<double, int> CaptionWidthAndRoom(const QWidget& control, const QFont& font,
                                           const QString& caption, QSize size) {
  const double width = QFontMetricsF(font).horizontalAdvance(caption);
  const QStyle& style = *control.style();
  if (qobject_cast<const QPushButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(&control);
    option.rect = QRect({}, size);
    return {width, style.subElementRect(QStyle::SE_PushButtonContents, &option, &control).width()};
  }
  if (qobject_cast<const QGroupBox*>(&control)) {
    QStyleOptionGroupBox option;
    option.initFrom(&control);
    option.rect = QRect({}, size);
    option.fontMetrics = QFontMetrics(font);
    option.text = caption;
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.textAlignment = Qt::AlignLeft;
    const QRect label =
        style.subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &control);
    return {label.width(), size.width() - 2 * label.left()};
  }
  return {width, size.width()};
}

// The same font, smaller where the caption would not fit its box otherwise. One step usually
// does; the glyphs' rounding at the new size may ask for another.
QFont FittingCaptionFont(const QWidget& control, QFont font, const QString& caption, QSize size) {
  for (int step = 0; step < 4; ++step) {
    const auto [width, room] = CaptionWidthAndRoom(control, font, caption, size);
    const double scale = CaptionFontScale(width, room);
    if (scale >= 1) break;
    font = Scaled(font, scale);
  }
  return font;
}

DroppedData DroppedFrom(const QMimeData& mime) {
  DroppedData drop;
  for (const QUrl& url : mime.urls()) {
    drop.items.push_back(url.isLocalFile() ? std::optional(url.toLocalFile().toStdString())
                                           : std::nullopt);
  }
  if (drop.items.empty() && mime.hasText()) drop.text = mime.text().toStdString();
  return drop;
}

// The window manager frames a window only once it is shown; until then the style's title bar
// and frame stand in for it.
QSize ExpectedFrame(const QStyle& style) {
  const int border = style.pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
  return {2 * border, style.pixelMetric(QStyle::PM_TitleBarHeight) + 2 * border};
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
    if (!entry.description.empty()) {
      widget->setAccessibleName(FromUtf8(entry.description));
      widget->setToolTip(FromUtf8(entry.description));
    }
    widgets_[IndexOf(entry.id)] = widget;
    defaultFonts_[IndexOf(entry.id)] = widget->font();
  }
  LinkControls();
  resize(FirstSize());
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
    case ControlKind::TextField: {
      QLineEdit* field = CreateField(caption, parent);
      field->installEventFilter(this);
      return field;
    }
    case ControlKind::Label:
      return new QLabel(caption, parent);
    case ControlKind::Picture:
      return CreatePicture(parent);
  }
  return nullptr;
}

// Once every control exists: the Tab walk, and each label's field for screen readers.
void Form1Window::LinkControls() {
  const auto order = TabOrder();
  for (std::size_t i = 1; i < order.size(); ++i) {
    setTabOrder(&Widget(order[i - 1]), &Widget(order[i]));
  }
  for (const ControlEntry& entry : ControlTable()) {
    if (entry.kind == ControlKind::Label) {
      static_cast<QLabel&>(Widget(entry.id)).setBuddy(&Widget(LabelledField(entry.id)));
    }
  }
}

QSize Form1Window::FirstSize() const {
  const QSize available = screen()->availableGeometry().size() - ExpectedFrame(*style());
  const Size first = FirstClientSize({DesignSize().width(), DesignSize().height()},
                                     {available.width(), available.height()});
  return {first.width, first.height};
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
    const QRect box = ToQRect(layout[entry.id]);
    widget.setGeometry(box);
    const QFont font = Scaled(defaultFonts_[IndexOf(entry.id)], layout.fontScale);
    const bool captioned = entry.kind == ControlKind::Frame || entry.kind == ControlKind::Button ||
                           entry.kind == ControlKind::Label;
    const QSize captionBox(CaptionWidth(layout, entry.id), box.height());
    widget.setFont(captioned ? FittingCaptionFont(widget, font, FromUtf8(entry.caption), captionBox)
                             : font);
  }
}

void Form1Window::closeEvent(QCloseEvent* event) {
  if (form_) form_->Unload();
  event->accept();
}

bool Form1Window::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QWidget::eventFilter(watched, event);
  }
  const auto field = std::find(widgets_.begin(), widgets_.end(), watched) - widgets_.begin();
  return TakeDrop(static_cast<Control>(field), static_cast<QDropEvent&>(*event));
}

// Every drag over a field is answered here: the field's own handling would insert the text
// where it was dropped, in the middle of a path.
bool Form1Window::TakeDrop(Control field, QDropEvent& event) {
  const DroppedData drop = DroppedFrom(*event.mimeData());
  const bool taken = event.type() == QEvent::Drop ? form_ && form_->Drop(field, drop)
                                                  : TextAfterDrop(field, drop).has_value();
  // A dropped path is read, never moved: the source keeps what was dragged.
  event.setDropAction(Qt::CopyAction);
  event.setAccepted(taken);
  return true;
}

}  // namespace morlett::qt
