// The translator's pictures: the skin, the header and the loading banner, the buttons, the option
// rows, the busy and speaking indicators, the notice strip and the icon. Each is painted here at
// the size its window or control states; the build paints them all into PNG files
// (translator-images) that the program carries as resources.
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "translator/forms/control_spec.h"

namespace brelvox::translator::qt {

// A picture to paint: the resource it is stored as, its size and its role.
struct Artwork {
  QString file;  // e.g. "Form1.png", "Form1-icon.png", "Form1-Picture16.png"
  int width = 0;
  int height = 0;
  std::string role;
};

// The resource file of a window's picture, its icon, or a control's picture.
QString WindowPictureFile(const std::string& window);
QString WindowIconFile(const std::string& window);
QString ControlPictureFile(const std::string& window, const std::string& control);

// Every picture of the three windows, with the sizes and roles of their layouts. Controls whose
// picture has no size (the plain white covers) have none.
std::vector<Artwork> AllArtwork();

// Paints one picture; an unknown file gives a neutral grey picture of the size asked for.
QImage Paint(const Artwork& artwork);

// The font the program draws a layout font with: the requested face is a classic Windows sans
// serif; a metric-compatible free sans with Cyrillic letters stands in, at the pixel size the
// point size has on a 96 dpi screen (the 15 twips per pixel the layouts assume).
QFont ScreenFont(const forms::Font& font);
// The windows' default font: the sans serif at 8.25 pt.
forms::Font DefaultFormFont();

}  // namespace brelvox::translator::qt
