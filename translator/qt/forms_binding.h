// The forms runtime on Qt Widgets: every loaded window becomes a frameless, always-on-top
// top-level widget without a taskbar entry, every control a child widget at its place (pixels =
// twips / 15), in its z-order, with its pictures, fonts and colours. The binding keeps the widgets
// in step with the runtime (it is the runtime's observer), hands the user's input to the controls,
// and drives the runtime's timers from one QTimer re-armed after every event.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "translator/forms/forms_app.h"
#include "translator/qt/trace.h"

class QWidget;

namespace brelvox::translator::qt {

class FormSurface;
class ControlView;

// Pixels for twips, at the fixed 15 twips per pixel, to the nearest pixel.
int Px(int twips);

// The pictures of the windows and controls, from the program's resources.
class PictureStore {
 public:
  // The picture stored under `file` (see artwork.h), or a null pixmap.
  QPixmap Get(const QString& file) const;
};

class FormsBinding final : public QObject, public forms::FormsObserver {
 public:
  explicit FormsBinding(Trace* trace);
  ~FormsBinding() override;

  // Binds to the runtime and becomes its observer; once, before its first window loads.
  void Attach(forms::FormsApp& app);
  forms::FormsApp& app() { return *app_; }
  Trace* trace() const { return trace_; }

  // Runs an event of the user or of the desktop in the runtime, then re-arms the timers.
  void Deliver(const std::function<void()>& event);
  // The same for notifications that may arrive while a handler waits (a browser answering inside
  // a bounded wait): they wait until no handler runs, so that handlers never nest.
  void Post(std::function<void()> event);
  // Re-arms the driving timer for the next due tick; frees unloaded windows.
  void Schedule();

  // The widgets of a loaded window and its controls (null when there are none).
  QWidget* WindowWidget(const forms::Window& window) const;
  QWidget* WindowWidget(forms::WindowHandle handle) const;
  QWidget* ControlWidget(const forms::Window& window, std::string_view control) const;
  // The X window of a loaded window's widget, 0 when it has none.
  unsigned long NativeWindow(forms::WindowHandle handle) const;

  // Called after a window has been shown (to keep it out of the taskbar), and when the program
  // has ended.
  std::function<void(unsigned long native_window)> on_window_shown;
  std::function<void()> on_program_ended;

  // forms::FormsObserver
  void WindowLoaded(forms::Window& window) override;
  void WindowUnloaded(forms::Window& window) override;
  void WindowChanged(forms::Window& window) override;
  void ControlChanged(forms::Window& window, forms::Control& control) override;
  void FocusGiven(forms::Window& window, forms::Control& control) override;
  void ProgramEnded() override;

 private:
  struct WindowWidgets {
    FormSurface* surface = nullptr;
    std::map<std::string, ControlView*, std::less<>> controls;
    bool shown_once = false;
    bool visible = false;
  };
  void ApplyWindow(forms::Window& window, WindowWidgets& widgets);
  void RunDue();

  forms::FormsApp* app_ = nullptr;
  Trace* trace_;
  PictureStore pictures_;
  QTimer driver_;
  std::map<const forms::Window*, WindowWidgets> windows_;
  std::deque<std::function<void()>> posted_;
  bool flushing_ = false;
};

}  // namespace brelvox::translator::qt
