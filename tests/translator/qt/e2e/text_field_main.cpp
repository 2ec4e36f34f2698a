// A tiny X program for the translator's end-to-end test: one text field holding "dog house",
// whose words the test double-clicks, selects and right-clicks. When it is on screen it prints
// the screen position of each word as "word TEXT X_START X_END Y" and then "ready". With
// "--clipboard TEXT" it also puts TEXT on the clipboard and holds it there while it runs.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

namespace {

class Field final : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  // The screen x of the caret before character `index`, and the field's middle line.
  QPoint CaretAt(int index) {
    setCursorPosition(index);
    const QRect caret = cursorRect();
    return mapToGlobal(QPoint(caret.center().x(), height() / 2));
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("text-field");
  Field field("dog house");
  QFont font = field.font();
  font.setPixelSize(22);
  field.setFont(font);
  field.setWindowTitle("text-field");
  field.setGeometry(60, 60, 360, 44);
  field.show();
  if (argc == 3 && QString(argv[1]) == "--clipboard") {
    QApplication::clipboard()->setText(QString::fromUtf8(argv[2]), QClipboard::Clipboard);
  }
  QTimer::singleShot(1500, [&field] {
    const QString text = field.text();
    for (const QString& word : {QString("dog"), QString("house")}) {
      const int start = text.indexOf(word);
      const QPoint from = field.CaretAt(start);
      const QPoint to = field.CaretAt(start + word.size());
      std::printf("word %s %d %d %d\n", qPrintable(word), from.x(), to.x(), from.y());
    }
    field.setCursorPosition(0);
    std::printf("ready\n");
    std::fflush(stdout);
  });
  return QApplication::exec();
}
