// translator-images OUTDIR FILE...: paints the translator's pictures into OUTDIR as PNG files.
// The build lists the files it expects; a listed file that has no picture, or a picture that is
// not listed, is an error, so the list and the layouts cannot drift apart.
#include <CLI/CLI.hpp>
#include <QDir>
#include <QGuiApplication>
#include <QSet>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "translator/qt/artwork.h"

int main(int argc, char** argv) {
  std::string outDir;
  std::vector<std::string> files;
  CLI::App cli{"translator-images: paints the translator's pictures into OUTDIR as PNG files"};
  cli.add_option("OUTDIR", outDir, "the folder to write")->required();
  cli.add_option("FILE", files, "the pictures the build expects");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return cli.exit(e) == 0 ? 0 : 2;
  }
  // Painting needs fonts but no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(outDir.c_str());
  if (!QDir().mkpath(out)) {
    std::fprintf(stderr, "translator-images: cannot create the folder %s.\n", outDir.c_str());
    return 1;
  }
  QSet<QString> expected;
  for (const std::string& file : files)
    expected.insert(QString::fromLocal8Bit(file.c_str()));
  int status = 0;
  QSet<QString> painted;
  for (const brelvox::translator::qt::Artwork& artwork : brelvox::translator::qt::AllArtwork()) {
    if (painted.contains(artwork.file)) continue;
    painted.insert(artwork.file);
    if (!expected.contains(artwork.file)) {
      std::fprintf(stderr, "translator-images: %s is not in the build's list of pictures.\n",
                   qPrintable(artwork.file));
      status = 1;
      continue;
    }
    const QString path = out + "/" + artwork.file;
    if (!brelvox::translator::qt::Paint(artwork).save(path, "PNG")) {
      std::fprintf(stderr, "translator-images: cannot write %s.\n", qPrintable(path));
      status = 1;
    }
  }
  for (const QString& file : expected) {
    if (!painted.contains(file)) {
      std::fprintf(stderr, "translator-images: no picture is named %s.\n", qPrintable(file));
      status = 1;
    }
  }
  return status;
}
