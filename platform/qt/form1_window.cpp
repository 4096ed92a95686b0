#include "platform/qt/form1_window.h"

#include <QAccessibleWidget>
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
#include <array>
#include <cctype>
#include <charconv>
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

struct PixelsHeader {
  int width = 0;
  int height = 0;
  qsizetype pixelsAt = 0;  // where the pixels start in the file
};

// A binary PPM's header: "P6", the width, the height and 255, each after one blank.
std::optional<PixelsHeader> ReadPixelsHeader(const QByteArray& file) {
  if (!file.startsWith("P6")) return std::nullopt;
  const char* at = file.constData() + 2;
  const char* const end = file.constData() + file.size();
  std::array<int, 3> numbers{};  // width, height, largest value
  for (int& number : numbers) {
    if (at >= end || !std::isspace(static_cast<unsigned char>(*at))) return std::nullopt;
    const auto [next, error] = std::from_chars(at + 1, end, number);
    if (error != std::errc() || number <= 0) return std::nullopt;
    at = next;
  }
  if (numbers[2] != 255 || at >= end) return std::nullopt;
  return PixelsHeader{numbers[0], numbers[1], at + 1 - file.constData()};
}

// The logo is built in as plain pixels (a binary PPM), so showing it loads no image decoder.
QPixmap LogoPixmap() {
  const QByteArray file = QResource(QStringLiteral(":/morlett/logo.ppm")).uncompressedData();
  const std::optional<PixelsHeader> header = ReadPixelsHeader(file);
  if (!header) return {};
  const qsizetype rowBytes = qsizetype{3} * header->width;
  if (file.size() - header->pixelsAt < rowBytes * header->height) return {};
  const auto* rgb = reinterpret_cast<const uchar*>(file.constData() + header->pixelsAt);
  return QPixmap::fromImage(
      QImage(rgb, header->width, header->height, rowBytes, QImage::Format_RGB888));
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
CaptionMeasure MeasureCaption(const QWidget& control, const QFont& font, const QString& caption,
                              QSize size) {
  const double width = QFontMetricsF(font).horizontalAdvance(caption);
  const QStyle& style = *control.style();
  if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    if (button->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
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
    return {static_cast<double>(label.width()), size.width() - 2 * label.left()};
  }
  return {width, size.width()};
}

// The font, smaller where the caption would not fit its box otherwise: the core finds the
// scale, from the caption measured at the scales it tries.
QFont FittingCaptionFont(const QWidget& control, const QFont& font, const QString& caption,
                         QSize size) {
  const double scale = FittingCaptionScale(
      [&](double trial) { return MeasureCaption(control, Scaled(font, trial), caption, size); });
  return scale < 1 ? Scaled(font, scale) : font;
}

// An item as its URL names it. The path is the bytes the URL encodes, never toLocalFile(),
// which would make another machine's file://host/x the local //host/x.
DroppedItem ItemOf(const QUrl& url) {
  return {url.scheme().toStdString(), url.host().toStdString(),
          QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()};
}

// What the drag offers, as it offers it; a source that is gone offers nothing.
DroppedData DroppedFrom(const QDropEvent& event) {
  DroppedData drop;
  const QMimeData* mime = event.mimeData();
  if (!mime) return drop;
  drop.offersCopy = event.possibleActions().testFlag(Qt::CopyAction);
  drop.offersLink = event.possibleActions().testFlag(Qt::LinkAction);
  for (const QUrl& url : mime->urls()) drop.items.push_back(ItemOf(url));
  if (drop.items.empty() && mime->hasText()) drop.text = mime->text().toStdString();
  return drop;
}

// A plain widget's accessible role is "client", which screen readers present as filler.
QAccessibleInterface* MainWindowAccessible(const QString& /*className*/, QObject* object) {
  auto* window = dynamic_cast<Form1Window*>(object);
  return window ? new QAccessibleWidget(window, QAccessible::Window) : nullptr;
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
  QAccessible::installFactory(MainWindowAccessible);
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
      button->setAutoDefault(true);  // Enter presses the focused button, as Space does
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
  const DroppedData drop = DroppedFrom(event);
  const bool dropped = event.type() == QEvent::Drop;
  const DropAction action = !dropped ? DropActionFor(field, drop)
                            : form_  ? form_->Drop(field, drop)
                                     : DropAction::Refuse;
  // The core chooses only an action the source offers: Qt would quietly turn any other into
  // the source's own proposal, which may be a move.
  if (action == DropAction::Refuse) {
    event.ignore();
  } else {
    event.setDropAction(action == DropAction::Link ? Qt::LinkAction : Qt::CopyAction);
    event.accept();
  }
  return true;
}

}  // namespace morlett::qt
