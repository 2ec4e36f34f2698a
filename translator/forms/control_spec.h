// What a window or a control looks like and how it starts: the design-time description that the
// layouts fill in and that a display binding draws from.
//
// Geometry is in twips (15 twips per screen pixel), relative to the container's client area.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brelvox::translator::forms {

inline constexpr int kTwipsPerPixel = 15;

struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Geometry&) const = default;
};

enum class ControlKind {
  kLabel,
  kPictureBox,
  kImage,  // windowless picture
  kTextBox,
  kCheckBox,
  kCommandButton,
  kFrame,
  kScrollBar,
  kWebBrowser,
  kLine,
};

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Font {
  std::string face;
  double points = 0;
  bool bold = false;
  int charset = 204;  // Cyrillic
};

// A picture drawn in a window or a control: its size in pixels and what it shows.
struct Picture {
  int width_px = 0;
  int height_px = 0;
  std::string role;  // e.g. "skin", "option row: Check1 on", "loading banner"
};

struct ControlSpec {
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  std::string container;  // empty: the window itself; else the picture box or frame it lies in
  Geometry geometry;
  bool visible = true;
  std::string text;  // caption of a label, button, check box or frame; text of a text box
  int value = 0;     // check box 0/1; scroll bar position
  int maximum = 0;   // scroll bar
  std::optional<Rgb> back_colour;
  std::optional<Rgb> fore_colour;
  std::optional<Font> font;
  std::optional<Picture> picture;
  std::string tool_tip;
  bool auto_size = false;
  bool opaque = false;  // labels: draws its own background
  bool multi_line = false;
  bool vertical_scroll_bar = false;
};

struct TimerSpec {
  std::string name;
  std::string container;
  int interval_ms = 0;
  bool enabled = false;
};

struct WindowSpec {
  std::string name;
  std::string caption;   // not displayed; exposed to the task switcher
  int client_width = 0;  // twips, at design time
  int client_height = 0;
  std::optional<Rgb> back_colour;
  std::optional<Picture> picture;  // drawn at the client origin
  std::optional<Picture> icon;
  bool borderless = true;
  bool centred_on_screen = false;  // start position
};

}  // namespace brelvox::translator::forms
