#include "translator/qt/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <functional>
#include <map>

#include "translator/desktop/layouts.h"
#include "translator/forms/forms_app.h"

namespace brelvox::translator::qt {
namespace {

// The palette: light grey and steel-blue panels, teal and red buttons, pale lavender covers.
const QColor kSteel(0x3d, 0x67, 0x8f);
const QColor kSteelDark(0x27, 0x48, 0x68);
const QColor kSteelLight(0x6f, 0x95, 0xba);
const QColor kGrey(0xe4, 0xe8, 0xed);
const QColor kGreyDark(0xb8, 0xc0, 0xc9);
const QColor kRed(0xc8, 0x32, 0x2b);
const QColor kRedDark(0x8e, 0x1b, 0x17);
const QColor kTeal(0x13, 0x8d, 0x90);
const QColor kTealDark(0x0b, 0x5f, 0x61);
const QColor kGreen(0x2e, 0xa0, 0x4a);
const QColor kLavender(0xe8, 0xe2, 0xf7);
const QColor kOrange(0xff, 0x80, 0x00);

QFont SansPx(int pixels, bool bold = false) {
  QFont font;
  font.setFamilies({"Liberation Sans", "DejaVu Sans"});
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

void Gradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom,
              qreal radius = 0) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  if (radius > 0)
    p.drawRoundedRect(r, radius, radius);
  else
    p.drawRect(r);
}

// A glossy button face without its caption (the caption is a label lying on it).
void ButtonFace(QPainter& p, const QSize& size, const QColor& colour, const QColor& dark) {
  const QRectF r(0.5, 0.5, size.width() - 1, size.height() - 1);
  Gradient(p, r, colour.lighter(125), dark, 4);
  p.setPen(QPen(dark.darker(130), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, 4, 4);
  p.setPen(QPen(QColor(255, 255, 255, 90), 1));
  p.drawLine(QPointF(4, 1.5), QPointF(size.width() - 4, 1.5));
}

// A loudspeaker with two sound waves, in a square of side `side` at `origin`.
void Speaker(QPainter& p, QPointF origin, qreal side, const QColor& colour) {
  const qreal u = side / 23.0;
  QPolygonF body;
  body << QPointF(4, 9) << QPointF(8, 9) << QPointF(13, 4.5) << QPointF(13, 18.5) << QPointF(8, 14)
       << QPointF(4, 14);
  for (QPointF& point : body)
    point = origin + point * u;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(body);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colour, 1.6 * u, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(origin + QPointF(11, 8) * u, QSizeF(7, 7) * u), -50 * 16, 100 * 16);
  p.drawArc(QRectF(origin + QPointF(10, 5) * u, QSizeF(12, 13) * u), -50 * 16, 100 * 16);
}

void Tick(QPainter& p, const QRectF& box, const QColor& colour) {
  p.setPen(QPen(colour, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPolygonF tick;
  tick << QPointF(box.left() + box.width() * 0.2, box.top() + box.height() * 0.52)
       << QPointF(box.left() + box.width() * 0.42, box.top() + box.height() * 0.74)
       << QPointF(box.left() + box.width() * 0.8, box.top() + box.height() * 0.28);
  p.drawPolyline(tick);
}

void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
          const QColor& colour, int flags = Qt::AlignCenter) {
  p.setFont(font);
  p.setPen(colour);
  p.drawText(r, flags, text);
}

// The program's mark: a speech bubble carrying "БГ" and "EN".
void Mark(QPainter& p, const QRectF& r) {
  const qreal u = r.width() / 32.0;
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(r.left() + 1 * u, r.top() + 1 * u, 30 * u, 24 * u), 6 * u, 6 * u);
  QPolygonF tail;
  tail << QPointF(r.left() + 8 * u, r.top() + 23 * u) << QPointF(r.left() + 7 * u, r.top() + 31 * u)
       << QPointF(r.left() + 15 * u, r.top() + 23 * u);
  bubble.addPolygon(tail);
  bubble = bubble.simplified();
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, kSteelLight);
  g.setColorAt(1, kSteelDark);
  p.setPen(QPen(QColor(255, 255, 255, 200), 1 * u));
  p.setBrush(g);
  p.drawPath(bubble);
  Text(p, QRectF(r.left() + 2 * u, r.top() + 2 * u, 17 * u, 12 * u), "БГ",
       SansPx(int(10 * u), true), Qt::white);
  Text(p, QRectF(r.left() + 13 * u, r.top() + 12 * u, 17 * u, 12 * u), "EN",
       SansPx(int(10 * u), true), kOrange);
}

void Skin(QPainter& p, const QSize& s) {
  p.fillRect(QRect(QPoint(0, 0), s), kGrey);
  // The translator: a steel-blue frame around the light working area.
  p.fillRect(QRect(0, 0, s.width(), 213), kSteelDark);
  Gradient(p, QRectF(2, 88, s.width() - 4, 123), QColor(0xf2, 0xf4, 0xf7), kGrey);
  p.setPen(QPen(kSteelLight, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(17.5, 85.5, 446, 121), 5, 5);
  // The line at the collapsed height, then the settings pane.
  Gradient(p, QRectF(0, 213, s.width(), 214), kSteel, kSteelDark);
  p.fillRect(QRect(0, 213, s.width(), 2), kOrange);
  p.setPen(QPen(kSteelLight, 1));
  p.setBrush(QColor(255, 255, 255, 28));
  p.drawRoundedRect(QRectF(32.5, 258.5, 417, 135), 6, 6);
  p.fillRect(QRect(0, 388, s.width(), s.height() - 388), QColor(0x1e, 0x38, 0x52));
}

void Header(QPainter& p, const QSize& s) {
  Gradient(p, QRectF(0, 0, s.width(), s.height()), kSteelLight, kSteel, 4);
  Mark(p, QRectF(10, 12, 40, 40));
  Text(p, QRectF(58, 10, 150, 26), "Преводач", SansPx(20, true), Qt::white,
       Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRectF(58, 36, 150, 16), "думи и фрази до 100 символа", SansPx(10),
       QColor(0xe8, 0xf0, 0xf8), Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRectF(12, 60, 200, 18), "български ⇄ English", SansPx(11, true),
       QColor(0xff, 0xd0, 0x9c), Qt::AlignLeft | Qt::AlignVCenter);
  // The hide and exit spots of the window lie over these two buttons.
  const QRectF hide(350, 4, 62, 22);
  const QRectF exit(415, 4, 54, 22);
  Gradient(p, hide, kSteelLight.lighter(115), kSteelDark, 4);
  Gradient(p, exit, kRed.lighter(120), kRedDark, 4);
  Text(p, hide, "▁ скрий", SansPx(11, true), Qt::white);
  Text(p, exit, "✕ изход", SansPx(11, true), Qt::white);
}

void Banner(QPainter& p, const QSize& s) {
  Gradient(p, QRectF(0, 0, s.width(), s.height()), kSteelLight, kSteelDark);
  Mark(p, QRectF(24, 30, 72, 72));
  Text(p, QRectF(110, 30, 360, 44), "Преводач", SansPx(36, true), Qt::white,
       Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRectF(112, 74, 360, 24), "български ⇄ English", SansPx(17, true),
       QColor(0xff, 0xd0, 0x9c), Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRectF(24, 122, 440, 22), "Зареждане на страницата за превод…", SansPx(14), Qt::white,
       Qt::AlignLeft | Qt::AlignVCenter);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 12; ++i) {
    p.setBrush(QColor(255, 255, 255, 60 + i * 16));
    p.drawRoundedRect(QRectF(24 + i * 36, 156, 28, 8), 4, 4);
  }
}

void OptionRow(QPainter& p, const QSize& s, const std::string& role) {
  const QRectF r(0.5, 0.5, s.width() - 1, s.height() - 1);
  Gradient(p, r, QColor(0xfb, 0xfc, 0xfd), QColor(0xdc, 0xe3, 0xea), 5);
  p.setPen(QPen(kGreyDark, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r, 5, 5);
  const QRectF box(s.width() - 30, (s.height() - 20) / 2.0, 20, 20);
  if (role.find("compact") != std::string::npos) {
    Gradient(p, box.adjusted(-2, -1, 2, 1), kOrange.lighter(115), kOrange.darker(120), 4);
    Speaker(p, box.topLeft() + QPointF(-1, -1), 22, Qt::white);
    return;
  }
  const bool on = role.find(" on") != std::string::npos;
  if (on) {
    Gradient(p, box, kGreen.lighter(120), kGreen.darker(115), 4);
    Tick(p, box, Qt::white);
  } else {
    p.setPen(QPen(QColor(0x8a, 0x96, 0xa3), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, 4, 4);
  }
}

void Busy(QPainter& p, const QSize& s) {
  p.fillRect(QRect(QPoint(0, 0), s), kLavender);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 3; ++i) {
    p.setBrush(QColor(0x7a, 0x62, 0xc4, 110 + i * 60));
    p.drawEllipse(QPointF(s.width() / 2.0 - 12 + i * 12, s.height() / 2.0), 3.5, 3.5);
  }
}

void Restore(QPainter& p, const QSize& s) {
  Gradient(p, QRectF(0.5, 0.5, s.width() - 1, s.height() - 1), kSteelLight, kSteelDark, 4);
  Text(p, QRectF(0, 0, s.width(), s.height()), "»", SansPx(22, true), Qt::white);
}

void SettingsToggle(QPainter& p, const QSize& s) {
  ButtonFace(p, s, kTeal, kTealDark);
  Gradient(p, QRectF(0.5, 0.5, s.height() - 1, s.height() - 1), kRed, kRedDark, 4);
  QPolygonF up;
  up << QPointF(s.height() / 2.0, 6) << QPointF(s.height() - 6, s.height() - 7)
     << QPointF(6, s.height() - 7);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(up);
  Text(p, QRectF(s.height(), 0, s.width() - s.height(), s.height()), "ЗАТВОРИ", SansPx(11, true),
       Qt::white);
}

void SpeakButton(QPainter& p, const QSize& s, bool highlight) {
  const QRectF r(0.5, 0.5, s.width() - 1, s.height() - 1);
  if (highlight) {
    Gradient(p, r, kGreen.lighter(125), kGreen.darker(120), 4);
    Speaker(p, QPointF(0, 0), s.width(), Qt::white);
  } else {
    Gradient(p, r, Qt::white, QColor(0xe6, 0xf3, 0xe9), 4);
    p.setPen(QPen(kGreen, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 4, 4);
    Speaker(p, QPointF(0, 0), s.width(), kGreen);
  }
}

void DragHandle(QPainter& p, const QSize& s) {
  Gradient(p, QRectF(0.5, 0.5, s.width() - 1, s.height() - 1), kSteelLight, kSteelDark, 4);
  // A four-way arrow in the part that shows (the left 32 pixels).
  const QPointF c(16, s.height() / 2.0);
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(-9, 0), c + QPointF(9, 0));
  p.drawLine(c + QPointF(0, -9), c + QPointF(0, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  for (int quarter = 0; quarter < 4; ++quarter) {
    const qreal a = quarter * M_PI / 2;
    const QPointF dir(std::cos(a), std::sin(a));
    const QPointF side(-dir.y(), dir.x());
    QPolygonF head;
    head << c + dir * 12 << c + dir * 7 + side * 4 << c + dir * 7 - side * 4;
    p.drawPolygon(head);
  }
  Text(p, QRectF(36, 0, s.width() - 40, s.height()), "премести", SansPx(11), Qt::white);
}

void Strip(QPainter& p, const QSize& s) {
  Gradient(p, QRectF(0, 0, s.width(), s.height()), QColor(0xff, 0xfb, 0xf2),
           QColor(0xf1, 0xe6, 0xd2));
  p.fillRect(QRect(0, 0, s.width(), 3), kSteel);
  p.fillRect(QRect(0, s.height() - 3, s.width(), 3), kSteel);
  p.fillRect(QRect(0, 0, 3, s.height()), kSteel);
  p.fillRect(QRect(s.width() - 3, 0, 3, s.height()), kSteel);
}

void Icon(QPainter& p, const QSize& s) {
  Mark(p, QRectF(0, 0, s.width(), s.height()));
}

using Painter = std::function<void(QPainter&, const QSize&, const std::string& role)>;

// What each picture shows, by its resource file.
const std::map<QString, Painter>& Painters() {
  static const std::map<QString, Painter> painters = [] {
    std::map<QString, Painter> m;
    auto row = [](QPainter& p, const QSize& s, const std::string& role) { OptionRow(p, s, role); };
    m["Form1.png"] = [](QPainter& p, const QSize& s, const std::string&) { Skin(p, s); };
    m["Form1-icon.png"] = [](QPainter& p, const QSize& s, const std::string&) { Icon(p, s); };
    m["Form2.png"] = [](QPainter& p, const QSize& s, const std::string&) { Strip(p, s); };
    m["Form3.png"] = m["Form2.png"];
    m["Form1-Picture5.png"] = [](QPainter& p, const QSize& s, const std::string&) { Header(p, s); };
    m["Form1-image1.png"] = [](QPainter& p, const QSize& s, const std::string&) { Banner(p, s); };
    for (const char* name : {"Picture17", "Picture18", "Picture19", "Picture20", "Picture22",
                             "Picture23", "Picture24"}) {
      m[ControlPictureFile("Form1", name)] = row;
    }
    m["Form1-Picture2.png"] = [](QPainter& p, const QSize& s, const std::string&) { Busy(p, s); };
    m["Form1-Picture4.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      p.fillRect(QRect(QPoint(0, 0), s), kLavender);
    };
    m["Form1-Picture3.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      p.fillRect(QRect(QPoint(0, 0), s), QColor(0x9a, 0xa3, 0xad));
    };
    m["Form1-Picture16.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      ButtonFace(p, s, kRed, kRedDark);
    };
    m["Form1-Picture6.png"] = m["Form1-Picture16.png"];
    m["Form1-Picture10.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      ButtonFace(p, s, kTeal, kTealDark);
    };
    m["Form1-Picture12.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      SettingsToggle(p, s);
    };
    m["Form1-Picture7.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      Restore(p, s);
    };
    m["Form1-Picture8.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      SpeakButton(p, s, false);
    };
    m["Form1-Picture9.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      SpeakButton(p, s, true);
    };
    m["Form1-Picture21.png"] = [](QPainter& p, const QSize& s, const std::string&) {
      DragHandle(p, s);
    };
    return m;
  }();
  return painters;
}

}  // namespace

QString WindowPictureFile(const std::string& window) {
  return QString::fromStdString(window) + ".png";
}

QString WindowIconFile(const std::string& window) {
  return QString::fromStdString(window) + "-icon.png";
}

QString ControlPictureFile(const std::string& window, const std::string& control) {
  return QString::fromStdString(window + "-" + control) + ".png";
}

std::vector<Artwork> AllArtwork() {
  forms::ManualClock clock;
  forms::FormsApp app(clock, forms::Screen{19200, 14400});
  const desktop::SourceTexts texts{"", ""};
  app.RegisterForm(desktop::Form1Window(texts), [texts](forms::Window& w) {
    desktop::BuildForm1(w, texts);
    return nullptr;
  });
  app.RegisterForm(desktop::Form2Window(), [](forms::Window& w) {
    desktop::BuildForm2(w);
    return nullptr;
  });
  app.RegisterForm(desktop::Form3Window(), [](forms::Window& w) {
    desktop::BuildForm3(w);
    return nullptr;
  });
  std::vector<Artwork> all;
  for (const char* name : {"Form1", "Form2", "Form3"}) {
    const forms::Window& window = app.Load(name);
    const forms::WindowSpec& spec = window.spec();
    if (spec.picture) {
      all.push_back({WindowPictureFile(spec.name), spec.picture->width_px, spec.picture->height_px,
                     spec.picture->role});
    }
    if (spec.icon) {
      all.push_back(
          {WindowIconFile(spec.name), spec.icon->width_px, spec.icon->height_px, spec.icon->role});
    }
    for (const forms::Control* control : window.controls_in_order()) {
      const std::optional<forms::Picture>& picture = control->spec().picture;
      if (!picture || picture->width_px <= 0 || picture->height_px <= 0) continue;
      all.push_back({ControlPictureFile(spec.name, control->name()), picture->width_px,
                     picture->height_px, picture->role});
    }
  }
  return all;
}

QImage Paint(const Artwork& artwork) {
  QImage image(artwork.width, artwork.height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QSize size(artwork.width, artwork.height);
  auto painter = Painters().find(artwork.file);
  if (painter != Painters().end()) {
    painter->second(p, size, artwork.role);
  } else {
    p.fillRect(QRect(QPoint(0, 0), size), kGreyDark);
  }
  p.end();
  return image;
}

QFont ScreenFont(const forms::Font& requested) {
  QFont font;
  // Liberation Sans keeps the narrow Windows sans serif proportions; DejaVu Sans is the fallback.
  font.setFamilies({"Liberation Sans", "DejaVu Sans"});
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(requested.points * 96.0 / 72.0))));
  font.setBold(requested.bold);
  return font;
}

forms::Font DefaultFormFont() {
  return forms::Font{"MS Sans Serif", 8.25, false, 204};
}

}  // namespace brelvox::translator::qt
