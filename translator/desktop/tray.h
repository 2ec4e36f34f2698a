// The notification-area icon of the main window (the `basMain` module): SetTray, the icon's
// button handling and RemoveTrayIcon, with the module-level state that survives a restart of the
// main window.
#pragma once

#include <cstdint>
#include <string>

#include "translator/forms/forms_app.h"

namespace brelvox::translator::desktop {

inline constexpr char kTrayTip[] = "Кликни с мишката, за да се отвори транслатора!";
inline constexpr std::uint32_t kTrayCallbackMessage = 1039;  // WM_USER + 15
inline constexpr std::uint32_t kTrayLeftButtonDown = 0x201;
inline constexpr std::uint32_t kTrayRightButtonDown = 0x204;
// Said once, in the hint window, when hiding finds no notification area to come back from.
inline constexpr char kNoTrayNote[] =
    "Няма област за известия, затова прозорецът остава на екрана.";

// The icon as last added; the icon is deleted by the same record.
struct TrayData {
  forms::WindowHandle window = 0;
  std::uint32_t id = 0;
  std::uint32_t flags = 7;  // message, icon and tip valid
  std::uint32_t callback_message = kTrayCallbackMessage;
  std::string tip;  // at most 63 characters; shown up to its end
  bool operator==(const TrayData&) const = default;
};

// The desktop's notification area. Results are not examined: an icon that cannot be added
// leaves the window reachable, because start-up shows it again.
class TrayHost {
 public:
  virtual ~TrayHost() = default;
  virtual void AddIcon(const TrayData& icon) = 0;
  virtual void DeleteIcon(const TrayData& icon) = 0;
  // Animates the window's rectangle into the notification area; nothing when there is none.
  virtual void AnimateToTray(forms::WindowHandle window) = 0;
  // Whether the desktop has a notification area to show the icon in now.
  virtual bool Available() { return true; }
};

class TrayModule {
 public:
  TrayModule(TrayHost& host, forms::FormsApp& app, std::uint32_t instance_handle)
      : host_(host), app_(app), instance_handle_(instance_handle) {}

  TrayData Data;
  std::uint32_t TrayIconId = 0;

  // Adds the icon for `form1`, animates the window into the notification area and hides it.
  void SetTray(forms::Window& form1);
  // Deletes the icon described by Data.
  void RemoveTrayIcon();
  // A notification from the icon: a left or right button press on it shows the main window.
  void TrayWndProc(std::uint32_t wparam, std::uint32_t lparam);
  // Hides the main window into the notification area. Where the desktop has none, the window
  // stays (a hidden window without an icon or a taskbar entry could not be brought back), and the
  // hint window says why, once per run.
  void HideToTray(forms::Window& form1);

 private:
  TrayHost& host_;
  forms::FormsApp& app_;
  std::uint32_t instance_handle_;
  bool told_no_tray_ = false;
};

}  // namespace brelvox::translator::desktop
