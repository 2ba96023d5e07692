// Writes the program icon as PNG files of the usual desktop sizes, drawn by
// the same code as the icon the program shows:
//   write_icons FOLDER      -> FOLDER/NxN/quillbase.png for each size
#include <QDir>
#include <QImage>
#include <cstdio>

#include "app/tool_bar_images.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_icons FOLDER\n");
    return 2;
  }
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/%1x%1").arg(size);
    if (!QDir().mkpath(folder) || !programIconImage(size).save(folder + QStringLiteral("/quillbase.png"))) {
      std::fprintf(stderr, "write_icons: cannot write the %dx%d icon in %s\n", size, size, argv[1]);
      return 1;
    }
  }
  return 0;
}
