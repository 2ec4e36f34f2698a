#include "translator/qt/forms_binding.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "translator/qt/artwork.h"

namespace brelvox::translator::qt {
namespace {

// The classic button-face grey, the default back colour of picture boxes and opaque labels.
const QColor kButtonFace(212, 208, 200);

QColor ToQColor(const forms::Rgb& rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

forms::MouseButton ToButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton:
      return forms::MouseButton::kRight;
    case Qt::MiddleButton:
      return forms::MouseButton::kMiddle;
    default:
      return forms::MouseButton::kLeft;
  }
}

bool Windowless(forms::ControlKind kind) {
  return kind == forms::ControlKind::kLabel || kind == forms::ControlKind::kImage ||
         kind == forms::ControlKind::kLine;
}

QFont FontOf(const forms::Control& control) {
  return ScreenFont(control.spec().font.value_or(DefaultFormFont()));
}

}  // namespace

int Px(int twips) {
  return static_cast<int>(std::lround(twips / static_cast<double>(forms::kTwipsPerPixel)));
}

QPixmap PictureStore::Get(const QString& file) const {
  QPixmap pixmap;
  pixmap.load(":/translator/" + file);
  return pixmap;
}

// ---- The widgets ----

// A control's widget: it follows the control's state and hands the user's input to it.
class ControlView {
 public:
  virtual ~ControlView() = default;
  virtual QWidget* widget() = 0;
  // Takes the control's present state: visibility, place, size, text, value.
  virtual void Apply() {
    const forms::Geometry& g = control_->geometry();
    widget()->setGeometry(Px(g.left), Px(g.top), Px(g.width), Px(g.height));
    widget()->setVisible(control_->visible());
  }
  // The control is going away: the widget no longer reaches it.
  void Detach() { control_ = nullptr; }
  forms::Control* control() const { return control_; }

 protected:
  ControlView(FormsBinding& binding, forms::Control& control)
      : binding_(binding), control_(&control) {}
  // The user clicked the widget: the control's click, unless it is gone.
  void DeliverClick() {
    if (!control_) return;
    forms::Control* target = control_;
    binding_.Deliver([target] { target->Click(); });
  }
  FormsBinding& binding_;
  forms::Control* control_;
};

// Picture boxes, the image control, labels and the web browser's place: drawn here.
class SurfaceView final : public QWidget, public ControlView {
 public:
  SurfaceView(QWidget* parent, FormsBinding& binding, forms::Control& control, QPixmap picture)
      : QWidget(parent), ControlView(binding, control), picture_(std::move(picture)) {
    const forms::ControlSpec& spec = control.spec();
    if (!spec.tool_tip.empty()) setToolTip(Q(spec.tool_tip));
    if (control.on_click) setCursor(Qt::PointingHandCursor);
    font_ = FontOf(control);
    if (spec.kind == forms::ControlKind::kWebBrowser) setAttribute(Qt::WA_NoSystemBackground);
  }
  QWidget* widget() override { return this; }

  void Apply() override {
    ControlView::Apply();
    const forms::ControlSpec& spec = control_->spec();
    if (spec.kind == forms::ControlKind::kLabel && spec.auto_size) {
      // An auto-size label takes the size of its text in the font on screen.
      const QFontMetrics metrics(font_);
      const QString text = Q(control_->text());
      resize(std::max(1, metrics.horizontalAdvance(text) + 1), metrics.height());
    }
    text_ = Q(control_->text());
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!control_) return;
    const forms::ControlSpec& spec = control_->spec();
    QPainter p(this);
    if (spec.kind == forms::ControlKind::kPictureBox) {
      const bool white = spec.picture && spec.picture->role.find("white") != std::string::npos;
      p.fillRect(rect(), white              ? QColor(Qt::white)
                         : spec.back_colour ? ToQColor(*spec.back_colour)
                                            : kButtonFace);
    } else if (spec.kind == forms::ControlKind::kLabel && spec.opaque) {
      p.fillRect(rect(), spec.back_colour ? ToQColor(*spec.back_colour) : kButtonFace);
    }
    if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
    if (spec.kind == forms::ControlKind::kLabel && !text_.isEmpty()) {
      p.setFont(font_);
      p.setPen(spec.fore_colour ? ToQColor(*spec.fore_colour) : QColor(Qt::black));
      const int flags = Qt::AlignLeft | Qt::AlignTop | (spec.auto_size ? 0 : Qt::TextWordWrap);
      p.drawText(rect(), flags, text_);
    }
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (!control_) return;
    pressed_ = event->button();
    forms::Control* control = control_;
    binding_.Deliver([control, event] { control->MouseDown(ToButton(event->button())); });
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!control_) return;
    const bool click = pressed_ == Qt::LeftButton && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = Qt::NoButton;
    QPointer<SurfaceView> self(this);
    forms::Control* control = control_;
    binding_.Deliver([control, event] { control->MouseUp(ToButton(event->button())); });
    if (!self || !control_ || !click) return;
    binding_.Deliver([control] { control->Click(); });
  }

 private:
  QPixmap picture_;
  QFont font_;
  QString text_;
  Qt::MouseButton pressed_ = Qt::NoButton;
};

class TextBoxView final : public QPlainTextEdit, public ControlView {
 public:
  TextBoxView(QWidget* parent, FormsBinding& binding, forms::Control& control)
      : QPlainTextEdit(parent), ControlView(binding, control) {
    const forms::ControlSpec& spec = control.spec();
    setFont(FontOf(control));
    setTabChangesFocus(true);
    setLineWrapMode(spec.multi_line ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(spec.vertical_scroll_bar ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (spec.back_colour) {
      QPalette palette = this->palette();
      palette.setColor(QPalette::Base, ToQColor(*spec.back_colour));
      palette.setColor(QPalette::Text, Qt::black);
      setPalette(palette);
    }
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
      if (syncing_ || !control_) return;
      forms::Control* target = control_;
      const std::string text = toPlainText().toStdString();
      binding_.Deliver([target, text] { target->SetText(text); });
    });
  }
  QWidget* widget() override { return this; }

  void Apply() override {
    ControlView::Apply();
    const QString text = Q(control_->text());
    if (toPlainText() != text) {
      // Text written by the program; the caret goes to its end, where typing continues.
      syncing_ = true;
      setPlainText(text);
      moveCursor(QTextCursor::End);
      syncing_ = false;
    }
  }

  void TakeFocus() {
    taking_focus_ = true;
    setFocus(Qt::OtherFocusReason);
    taking_focus_ = false;
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    // The key-press handler sees the typed character first; the box then handles the key as
    // usual, unless the handler took it.
    if (control_ && !event->text().isEmpty()) {
      int code = event->text().at(0).unicode();
      forms::Control* control = control_;
      QPointer<TextBoxView> self(this);
      binding_.Deliver([control, &code] { code = control->KeyPress(code); });
      if (!self || !control_) return;
      if (code == 0) {
        event->accept();
        return;
      }
    }
    QPlainTextEdit::keyPressEvent(event);
  }

  void focusInEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusInEvent(event);
    if (taking_focus_ || !control_) return;
    forms::Control* control = control_;
    binding_.Deliver([control] { control->GotFocus(); });
  }

 private:
  bool syncing_ = false;
  bool taking_focus_ = false;
};

class CheckBoxView final : public QCheckBox, public ControlView {
 public:
  CheckBoxView(QWidget* parent, FormsBinding& binding, forms::Control& control)
      : QCheckBox(parent), ControlView(binding, control) {
    setFont(FontOf(control));
    connect(this, &QCheckBox::clicked, this, [this] { DeliverClick(); });
  }
  QWidget* widget() override { return this; }
  void Apply() override {
    ControlView::Apply();
    const QSignalBlocker blocker(this);
    setText(Q(control_->text()));
    setChecked(control_->value() == 1);
  }
};

class ButtonView final : public QPushButton, public ControlView {
 public:
  ButtonView(QWidget* parent, FormsBinding& binding, forms::Control& control)
      : QPushButton(parent), ControlView(binding, control) {
    setFont(FontOf(control));
    connect(this, &QPushButton::clicked, this, [this] { DeliverClick(); });
  }
  QWidget* widget() override { return this; }
  void Apply() override {
    ControlView::Apply();
    setText(Q(control_->text()));
  }
};

class FrameView final : public QGroupBox, public ControlView {
 public:
  FrameView(QWidget* parent, FormsBinding& binding, forms::Control& control)
      : QGroupBox(parent), ControlView(binding, control) {
    setFont(FontOf(control));
  }
  QWidget* widget() override { return this; }
  void Apply() override {
    ControlView::Apply();
    setTitle(Q(control_->text()));
  }
};

class ScrollBarView final : public QScrollBar, public ControlView {
 public:
  ScrollBarView(QWidget* parent, FormsBinding& binding, forms::Control& control)
      : QScrollBar(Qt::Horizontal, parent), ControlView(binding, control) {
    setRange(0, control.spec().maximum);
    connect(this, &QScrollBar::valueChanged, this, [this](int value) {
      if (!control_) return;
      forms::Control* target = control_;
      binding_.Deliver([target, value] { target->SetValue(value); });
    });
  }
  QWidget* widget() override { return this; }
  void Apply() override {
    ControlView::Apply();
    const QSignalBlocker blocker(this);
    setValue(control_->value());
  }
};

// A top-level window: frameless, always on top, without a taskbar entry; its back colour and
// picture; presses on its own surface; a close request from the desktop unloads it.
class FormSurface final : public QWidget {
 public:
  FormSurface(FormsBinding& binding, forms::Window& window, QPixmap picture, QPixmap icon)
      : QWidget(nullptr,
                Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
        binding_(binding),
        window_(&window),
        picture_(std::move(picture)) {
    setObjectName(Q(window.name()));
    setWindowTitle(Q(window.caption()));
    if (!icon.isNull()) setWindowIcon(QIcon(icon));
    const forms::WindowSpec& spec = window.spec();
    back_ = spec.back_colour ? ToQColor(*spec.back_colour) : kButtonFace;
    setFont(ScreenFont(DefaultFormFont()));
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { TakePosition(); });
  }
  void Detach() {
    window_ = nullptr;
    settle_.stop();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), back_);
    if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (!window_) return;
    forms::Window* window = window_;
    const forms::MouseButton button = ToButton(event->button());
    binding_.Deliver([window, button] { window->MouseDown(button); });
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!window_) return;
    forms::Window* window = window_;
    const forms::MouseButton button = ToButton(event->button());
    binding_.Deliver([window, button] { window->MouseUp(button); });
  }
  // The window manager may keep a window from going where it was asked to (most keep part of it
  // on screen). Once the window has settled, its real place becomes the window's Left and Top,
  // as the desktop would report them, so that what is computed from them (the clicks on the
  // page) matches the screen.
  void moveEvent(QMoveEvent* event) override {
    QWidget::moveEvent(event);
    if (window_) settle_.start();
  }
  void TakePosition() {
    if (!window_ || !isVisible()) return;
    const QPoint at = pos();
    const forms::Geometry& g = window_->geometry();
    if (at.x() == Px(g.left) && at.y() == Px(g.top)) return;
    forms::Window* window = window_;
    const bool moved_x = at.x() != Px(g.left);
    const bool moved_y = at.y() != Px(g.top);
    binding_.Post([window, at, moved_x, moved_y] {
      if (!window->loaded()) return;
      if (moved_x) window->SetLeft(at.x() * forms::kTwipsPerPixel);
      if (moved_y) window->SetTop(at.y() * forms::kTwipsPerPixel);
    });
  }

  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (!window_) return;
    const std::string name = window_->name();
    forms::FormsApp& app = binding_.app();
    // It may arrive while a handler waits for the page; it waits for the handler.
    binding_.Post([&app, name] { app.Unload(name); });
  }

 private:
  FormsBinding& binding_;
  forms::Window* window_;
  static constexpr int kSettleMs = 300;
  QPixmap picture_;
  QColor back_;
  QTimer settle_;
};

// ---- The binding ----

FormsBinding::FormsBinding(Trace* trace) : trace_(trace) {
  driver_.setSingleShot(true);
  driver_.setTimerType(Qt::PreciseTimer);
  connect(&driver_, &QTimer::timeout, this, [this] { RunDue(); });
}

void FormsBinding::Attach(forms::FormsApp& app) {
  app_ = &app;
  app.SetObserver(this);
}

FormsBinding::~FormsBinding() {
  // The runtime may be gone already; only the widgets are let go here.
  for (auto& [window, widgets] : windows_)
    delete widgets.surface;
}

void FormsBinding::RunDue() {
  if (!app_) return;
  app_->RunDueTimers();
  Schedule();
}

void FormsBinding::Deliver(const std::function<void()>& event) {
  event();
  Schedule();
}

void FormsBinding::Post(std::function<void()> event) {
  posted_.push_back(std::move(event));
  Schedule();
}

void FormsBinding::Schedule() {
  if (!app_ || app_->in_handler()) return;  // the outer handler's end re-arms
  if (!posted_.empty() && !flushing_) {
    flushing_ = true;
    while (!posted_.empty() && !app_->in_handler()) {
      std::function<void()> event = std::move(posted_.front());
      posted_.pop_front();
      event();
    }
    flushing_ = false;
  }
  app_->ReleaseUnloaded();
  const std::optional<forms::Millis> due = app_->NextDue();
  if (!due) {
    driver_.stop();
    return;
  }
  const forms::Millis wait = std::max<forms::Millis>(0, *due - app_->Now());
  driver_.start(static_cast<int>(std::min<forms::Millis>(wait, 24 * 3600 * 1000)));
}

QWidget* FormsBinding::WindowWidget(const forms::Window& window) const {
  auto it = windows_.find(&window);
  return it == windows_.end() ? nullptr : it->second.surface;
}

QWidget* FormsBinding::WindowWidget(forms::WindowHandle handle) const {
  for (const auto& [window, widgets] : windows_) {
    if (window->handle() == handle) return widgets.surface;
  }
  return nullptr;
}

QWidget* FormsBinding::ControlWidget(const forms::Window& window, std::string_view control) const {
  auto it = windows_.find(&window);
  if (it == windows_.end()) return nullptr;
  auto view = it->second.controls.find(control);
  return view == it->second.controls.end() ? nullptr : view->second->widget();
}

unsigned long FormsBinding::NativeWindow(forms::WindowHandle handle) const {
  QWidget* widget = WindowWidget(handle);
  return widget ? static_cast<unsigned long>(widget->winId()) : 0;
}

void FormsBinding::WindowLoaded(forms::Window& window) {
  TraceLine(trace_, "load", window.name());
  WindowWidgets& widgets = windows_[&window];
  const forms::WindowSpec& spec = window.spec();
  widgets.surface = new FormSurface(
      *this, window, spec.picture ? pictures_.Get(WindowPictureFile(spec.name)) : QPixmap(),
      spec.icon ? pictures_.Get(WindowIconFile(spec.name)) : QPixmap());

  // Containers come before what they hold, so every parent exists when its children are made.
  for (forms::Control* control : window.controls_in_order()) {
    const forms::ControlSpec& cs = control->spec();
    if (cs.kind == forms::ControlKind::kLine) continue;  // the lines are never shown
    QWidget* parent = widgets.surface;
    if (!cs.container.empty()) {
      auto container = widgets.controls.find(cs.container);
      if (container != widgets.controls.end()) parent = container->second->widget();
    }
    ControlView* view = nullptr;
    switch (cs.kind) {
      case forms::ControlKind::kTextBox:
        view = new TextBoxView(parent, *this, *control);
        break;
      case forms::ControlKind::kCheckBox:
        view = new CheckBoxView(parent, *this, *control);
        break;
      case forms::ControlKind::kCommandButton:
        view = new ButtonView(parent, *this, *control);
        break;
      case forms::ControlKind::kFrame:
        view = new FrameView(parent, *this, *control);
        break;
      case forms::ControlKind::kScrollBar:
        view = new ScrollBarView(parent, *this, *control);
        break;
      default: {
        QPixmap picture;
        if (cs.picture && cs.picture->width_px > 0) {
          picture = pictures_.Get(ControlPictureFile(spec.name, cs.name));
        }
        view = new SurfaceView(parent, *this, *control, picture);
        break;
      }
    }
    view->widget()->setObjectName(Q(cs.name));
    widgets.controls[cs.name] = view;
    view->Apply();
  }

  // Z-order: the list is topmost first. Within each container, windowless controls (labels, the
  // image) lie beneath every windowed one; raising from the bottom up leaves the topmost on top.
  const std::vector<forms::Control*>& order = window.controls_in_order();
  for (bool windowed : {false, true}) {
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      if (Windowless((*it)->kind()) == windowed) continue;
      auto view = widgets.controls.find((*it)->name());
      if (view != widgets.controls.end()) view->second->widget()->raise();
    }
  }
  ApplyWindow(window, widgets);
}

void FormsBinding::WindowUnloaded(forms::Window& window) {
  TraceLine(trace_, "unload", window.name());
  auto it = windows_.find(&window);
  if (it == windows_.end()) return;
  for (auto& [name, view] : it->second.controls)
    view->Detach();
  FormSurface* surface = it->second.surface;
  surface->Detach();
  surface->hide();
  surface->deleteLater();
  windows_.erase(it);
}

void FormsBinding::ApplyWindow(forms::Window& window, WindowWidgets& widgets) {
  FormSurface* surface = widgets.surface;
  const forms::Geometry& g = window.geometry();
  const QRect wanted(Px(g.left), Px(g.top), Px(g.width), Px(g.height));
  if (surface->geometry() != wanted) surface->setGeometry(wanted);
  surface->setWindowTitle(Q(window.caption()));
  if (window.visible() != widgets.visible) {
    widgets.visible = window.visible();
    TraceLine(trace_, window.visible() ? "show" : "hide", window.name());
    surface->setVisible(window.visible());
    if (window.visible() && on_window_shown) on_window_shown(surface->winId());
  }
}

void FormsBinding::WindowChanged(forms::Window& window) {
  auto it = windows_.find(&window);
  if (it == windows_.end()) return;
  const forms::Geometry& g = window.geometry();
  TraceLine(trace_, "window",
            window.name() + " " + std::to_string(g.left) + " " + std::to_string(g.top) + " " +
                std::to_string(g.width) + " " + std::to_string(g.height) + " " +
                (window.visible() ? "1" : "0"));
  ApplyWindow(window, it->second);
}

void FormsBinding::ControlChanged(forms::Window& window, forms::Control& control) {
  auto it = windows_.find(&window);
  if (it == windows_.end()) return;
  auto view = it->second.controls.find(control.name());
  if (view == it->second.controls.end()) return;
  if (trace_) {
    const std::string name = window.name() + "." + control.name();
    const forms::Geometry& g = control.geometry();
    trace_->Line("control", name + " " + (control.visible() ? "1" : "0") + " " +
                                std::to_string(control.value()) + " " + std::to_string(g.left) +
                                " " + std::to_string(g.top) + " " + std::to_string(g.width) + " " +
                                std::to_string(g.height) + " " + control.text());
  }
  view->second->Apply();
}

void FormsBinding::FocusGiven(forms::Window& window, forms::Control& control) {
  auto it = windows_.find(&window);
  if (it == windows_.end()) return;
  auto view = it->second.controls.find(control.name());
  if (view == it->second.controls.end()) return;
  TraceLine(trace_, "focus", window.name() + "." + control.name());
  if (auto* text_box = dynamic_cast<TextBoxView*>(view->second)) {
    text_box->TakeFocus();
  } else {
    view->second->widget()->setFocus(Qt::OtherFocusReason);
  }
}

void FormsBinding::ProgramEnded() {
  TraceLine(trace_, "end");
  if (on_program_ended) on_program_ended();
}

}  // namespace brelvox::translator::qt
