#include "translator/desktop/layouts.h"

#include <utility>

namespace brelvox::translator::desktop {
namespace {

using forms::ControlKind;
using forms::ControlSpec;
using forms::Font;
using forms::Geometry;
using forms::Picture;
using forms::Rgb;
using forms::TimerSpec;

constexpr Rgb kOrange{255, 128, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPaleCyan{192, 255, 255};

Font SansBold(double points) {
  return Font{"MS Sans Serif", points, true, 204};
}

Font Sans(double points) {
  return Font{"MS Sans Serif", points, false, 204};
}

ControlSpec Box(std::string name, Geometry at, bool visible, Picture picture, bool auto_size) {
  ControlSpec spec;
  spec.name = std::move(name);
  spec.kind = ControlKind::kPictureBox;
  spec.geometry = at;
  spec.visible = visible;
  spec.picture = std::move(picture);
  spec.auto_size = auto_size;
  return spec;
}

ControlSpec Label(std::string name, std::string container, Geometry at, std::string text) {
  ControlSpec spec;
  spec.name = std::move(name);
  spec.kind = ControlKind::kLabel;
  spec.container = std::move(container);
  spec.geometry = at;
  spec.text = std::move(text);
  return spec;
}

ControlSpec WhiteLabel(std::string name, std::string container, Geometry at, std::string text,
                       std::optional<Font> font, bool auto_size) {
  ControlSpec spec = Label(std::move(name), std::move(container), at, std::move(text));
  spec.fore_colour = kWhite;
  spec.font = std::move(font);
  spec.auto_size = auto_size;
  return spec;
}

ControlSpec OptionRow(std::string name, Geometry at, bool visible, int height_px,
                      std::string role) {
  return Box(std::move(name), at, visible, Picture{401, height_px, std::move(role)}, true);
}

ControlSpec CheckBox(std::string name, Geometry at, int value, std::string caption, Rgb back) {
  ControlSpec spec;
  spec.name = std::move(name);
  spec.kind = ControlKind::kCheckBox;
  spec.geometry = at;
  spec.visible = false;
  spec.value = value;
  spec.text = std::move(caption);
  spec.back_colour = back;
  return spec;
}

ControlSpec TextBox(std::string name, Geometry at, bool with_look) {
  ControlSpec spec;
  spec.name = std::move(name);
  spec.kind = ControlKind::kTextBox;
  spec.geometry = at;
  spec.visible = false;
  spec.multi_line = true;
  if (with_look) {
    spec.vertical_scroll_bar = true;
    spec.back_colour = kPaleCyan;
    spec.font = Sans(9.75);
  }
  return spec;
}

ControlSpec Button(std::string name, Geometry at, std::string caption) {
  ControlSpec spec;
  spec.name = std::move(name);
  spec.kind = ControlKind::kCommandButton;
  spec.geometry = at;
  spec.visible = false;
  spec.text = std::move(caption);
  return spec;
}

const char kCheck1Row[] = "Превод при двоен клик върху дума или десен клик след селектиране";
const char kCheck2Row[] = "Изговаряне на английската дума или фраза при превод";
const char kCheck3Row[] = "Изговаряне на българската дума или фраза при превод";
const char kRestartTip[] =
    "Използвайте този бутон, ако програмата започне да се държи неадекватно!";
constexpr Geometry kRowLabel{0, 120, 5415, 255};

Picture Strip() {
  return Picture{570, 54, "notice strip"};
}

// The name and version of the tool the program was built with.
std::string BuildToolText() {
#if defined(__clang__)
  return "Clang " __clang_version__;
#elif defined(__GNUC__)
  return "GCC " __VERSION__;
#else
  return "C++20";
#endif
}

}  // namespace

forms::WindowSpec Form1Window(const SourceTexts& texts) {
  forms::WindowSpec spec;
  spec.name = "Form1";
  spec.caption = texts.caption;
  spec.client_width = kForm1Width;
  spec.client_height = 6345;
  spec.back_colour = kOrange;
  spec.picture = Picture{484, 427, "skin: light grey and steel-blue panels"};
  spec.icon = Picture{32, 32, "program icon, also the notification-area icon"};
  return spec;
}

void BuildForm1(forms::Window& form1, const SourceTexts& texts) {
  auto add = [&](ControlSpec spec) { form1.AddControl(std::move(spec)); };
  auto timer = [&](std::string name, int interval_ms, std::string container = "") {
    form1.AddTimer(TimerSpec{std::move(name), std::move(container), interval_ms, false});
  };

  add(Box("Picture21", {120, 5840, 480, 465}, true, {152, 31, "drag handle (left 32 px shown)"},
          false));
  add(Box("Picture14", {3960, 0, 3260, 780}, true, {0, 0, "plain white cover"}, false));
  add(Box("image1", {20, 180, 285, 3015}, true, {485, 211, "loading banner"}, false));
  add(OptionRow("Picture24", {600, 3960, 6015, 465}, false, 31, "option row: Check1 on"));
  add(Label("Label11", "Picture24", kRowLabel, kCheck1Row));
  add(OptionRow("Picture23", {600, 4425, 6015, 465}, false, 31, "option row: Check2 off"));
  add(Label("Label13", "Picture23", kRowLabel, kCheck2Row));
  add(OptionRow("Picture22", {600, 4875, 6015, 480}, false, 32, "option row: Check3 off"));
  add(Label("Label15", "Picture22", kRowLabel, kCheck3Row));
  add(OptionRow("Picture20", {600, 5330, 6015, 465}, true, 31, "option row: compact voice mode"));
  add(Label("Label18", "Picture20", kRowLabel,
            "Гласов превод без визуализация на текст <------ УНИКАЛНО"));
  add(OptionRow("Picture19", {600, 4880, 6015, 465}, true, 31, "option row: Check3 on"));
  add(Label("Label16", "Picture19", kRowLabel, kCheck3Row));
  add(OptionRow("Picture18", {600, 4430, 6015, 465}, true, 31, "option row: Check2 on"));
  add(Label("Label14", "Picture18", kRowLabel, kCheck2Row));
  {
    ControlSpec row =
        OptionRow("Picture17", {600, 3960, 6000, 480}, true, 32, "option row: Check1 off");
    row.picture->width_px = 400;
    add(std::move(row));
  }
  add(Label("Label12", "Picture17", kRowLabel, kCheck1Row));
  {
    ControlSpec busy = Box("Picture2", {6360, 600, 960, 465}, false,
                           {64, 31, "busy indicator, pale lavender"}, false);
    busy.back_colour = kOrange;
    add(std::move(busy));
  }
  timer("Timer1", 2000, "Picture2");
  add(Box("Picture16", {3240, 720, 1260, 345}, false, {84, 23, "red button: translate"}, false));
  add(WhiteLabel("Label10", "Picture16", {170, 60, 915, 195}, "ПРЕВЕДИ", SansBold(8.25), true));
  add(Box("Picture15", {3120, 240, 975, 495}, true, {0, 0, "plain white cover"}, false));
  add(Box("Picture10", {4800, 720, 1380, 345}, false, {92, 23, "teal button: settings"}, true));
  add(WhiteLabel("Label5", "Picture10", {120, 60, 1155, 195}, "НАСТРОЙКИ", SansBold(8.25), true));
  add(Box("Picture13", {0, 0, 3375, 495}, true, {0, 0, "plain white cover"}, false));
  add(Box("Picture7", {6820, 80, 390, 495}, false, {26, 33, "restore button"}, true));
  add(Box("Picture12", {2760, 3480, 1725, 345}, true,
          {115, 23, "teal and dark-red: settings toggle"}, true));
  add(Box("Picture9", {6480, 720, 345, 345}, false, {23, 23, "speaking highlight, mostly green"},
          true));
  timer("Timer10", 500);
  add(Box("Picture8", {6480, 720, 345, 345}, false,
          {23, 23, "speak-Bulgarian button, white with green"}, true));
  add(CheckBox("Check4", {240, 5640, 255, 375}, 0,
               "Гласов превод без визуализация на текст  <--- >   УНИКАЛНО", {0, 192, 192}));
  {
    ControlSpec frame;
    frame.name = "Frame2";
    frame.kind = ControlKind::kFrame;
    frame.geometry = {6240, 3360, 855, 375};
    frame.visible = false;
    frame.text = "Скорост на изговаряне";
    frame.back_colour = kOrange;
    frame.fore_colour = kWhite;
    add(std::move(frame));
    ControlSpec scroll;
    scroll.name = "HScroll1";
    scroll.kind = ControlKind::kScrollBar;
    scroll.container = "Frame2";
    scroll.geometry = {120, 360, 3135, 255};
    scroll.value = 47;
    scroll.maximum = 100;
    add(std::move(scroll));
    ControlSpec rate = Label("Label6", "Frame2", {3360, 360, 495, 255}, "47");
    rate.font = SansBold(8.25);
    add(std::move(rate));
  }
  {
    ControlSpec restart =
        Box("Picture6", {2040, 5940, 3045, 345}, true, {203, 23, "red button: restart"}, true);
    restart.tool_tip = kRestartTip;
    add(std::move(restart));
    ControlSpec caption = WhiteLabel("Label3", "Picture6", {170, 60, 2640, 195},
                                     "Рестартиране на програмата", SansBold(8.25), true);
    caption.tool_tip = kRestartTip;
    add(std::move(caption));
  }
  timer("Timer8", 100);
  timer("Timer7", 50);
  add(Box("Picture3", {7220, 600, 30, 975}, true, {2, 65, "grey edge of the browser viewport"},
          true));
  add(Box("Picture4", {6720, 1060, 525, 255}, true, {35, 17, "pale lavender cover"}, true));
  add(Button("Command1", {6960, 1920, 255, 255}, ""));
  add(CheckBox("Check3", {240, 5280, 255, 375}, 1, "Иговаряне на българската фраза при превод",
               {0, 128, 128}));
  add(CheckBox("Check2", {240, 4920, 255, 375}, 1, "Иговаряне на английската фраза при превод",
               {0, 192, 192}));
  timer("TimerDesen", 500);
  add(CheckBox("Check1", {240, 4560, 255, 375}, 0,
               "Превод, чрез двоен клик върху дума или десен клик върху селектиран текст",
               {0, 255, 255}));
  timer("Timer6", 1000);
  timer("Timer2", 1500);
  timer("Timer1111", 50);
  timer("Timer2222", 50);
  timer("Timer4444", 50);
  timer("Timer3333", 600);
  timer("Kopirane", 300);
  timer("Timer5", 300);
  timer("Timer4", 200);
  timer("Timer3", 1500);
  add(TextBox("Text1", {360, 1320, 6495, 855}, true));
  add(Button("Command3", {240, 5400, 6255, 255}, "Command3"));
  add(TextBox("Text4", {240, 1320, 855, 495}, false));
  add(TextBox("Text3", {360, 2160, 6495, 855}, true));
  {
    ControlSpec browser;
    browser.name = "WebBrowser1";
    browser.kind = ControlKind::kWebBrowser;
    browser.geometry = {6915, 700, 735, 615};
    add(std::move(browser));
  }
  add(WhiteLabel("Label7", "", {720, 6000, 1125, 195}, BuildToolText(), std::nullopt, true));
  add(Label("Picture11", "", {5280, 120, 975, 375}, ""));
  add(Label("Picture1", "", {6240, 120, 855, 375}, ""));
  add(WhiteLabel("Label8", "", {6120, 6000, 930, 195}, "2010 година", std::nullopt, true));
  {
    ControlSpec rate = Label("Label9", "", {5880, 3360, 255, 375}, "47");
    rate.visible = false;
    rate.opaque = true;
    add(std::move(rate));
  }
  add(WhiteLabel("Label4", "", {240, 3240, 6855, 255}, texts.label4, std::nullopt, false));
  add(WhiteLabel("Label2", "", {3360, 240, 1935, 255}, "", SansBold(8.25), false));
  for (const char* line : {"Line1", "Line2", "Line3", "Line4", "Line5"}) {
    ControlSpec spec;
    spec.name = line;
    spec.kind = ControlKind::kLine;
    spec.visible = false;
    add(std::move(spec));
  }
  {
    ControlSpec title =
        WhiteLabel("Label1", "", {3840, 200, 1380, 240}, "BG  <--> ENG", SansBold(9.75), true);
    title.visible = false;
    add(std::move(title));
  }
  {
    ControlSpec header;
    header.name = "Picture5";
    header.kind = ControlKind::kImage;
    header.geometry = {45, 75, 7170, 1275};
    header.picture = Picture{478, 85, "header picture"};
    add(std::move(header));
  }
}

forms::WindowSpec Form2Window() {
  forms::WindowSpec spec;
  spec.name = "Form2";
  spec.caption = "Form2";
  spec.client_width = 8595;
  spec.client_height = 810;
  spec.picture = Strip();
  spec.centred_on_screen = true;
  return spec;
}

void BuildForm2(forms::Window& form2) {
  // Timer2 and Timer3 fall due together; Timer2 (the new main window) must tick first, so the
  // timers start in this order.
  form2.AddTimer(TimerSpec{"Timer1", "", 100, true});
  form2.AddTimer(TimerSpec{"Timer2", "", 2000, true});
  form2.AddTimer(TimerSpec{"Timer3", "", 2000, true});
  ControlSpec notice = Label("Label1", "", {1920, 240, 4665, 360}, "РЕСТАРТИРАМ   ПРОГРАМАТА");
  notice.fore_colour = Rgb{255, 0, 0};
  notice.font = SansBold(13.5);
  notice.auto_size = true;
  form2.AddControl(std::move(notice));
}

forms::WindowSpec Form3Window() {
  forms::WindowSpec spec;
  spec.name = "Form3";
  spec.caption = "Form3";
  spec.client_width = 8565;
  spec.client_height = 765;
  spec.picture = Strip();
  spec.centred_on_screen = true;
  return spec;
}

void BuildForm3(forms::Window& form3) {
  form3.AddTimer(TimerSpec{"Timer1", "", 5000, true});
  ControlSpec hint = Label("Label1", "", {120, 240, 8415, 375},
                           "Изберете език за изговаряне на фраза и след това изберете тази опция!");
  hint.font = SansBold(9.75);
  form3.AddControl(std::move(hint));
}

}  // namespace brelvox::translator::desktop
