// Build-time tool: the application icon in the hicolor sizes from a shaped
// skin bitmap (magenta 0xFF00FF outside the shape).
//   verosa_icon_tool IN.bmp OUT_ROOT NAME SIZE...
// writes OUT_ROOT/<SIZE>x<SIZE>/apps/NAME.png for every size.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s IN.bmp OUT_ROOT NAME SIZE...\n", argv[0]);
    return 1;
  }
  QImage source(QString::fromLocal8Bit(argv[1]));
  if (source.isNull()) {
    std::fprintf(stderr, "%s: cannot read the picture\n", argv[1]);
    return 1;
  }
  QImage shaped = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < shaped.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(shaped.scanLine(y));
    for (int x = 0; x < shaped.width(); ++x)
      if ((line[x] & 0xFFFFFF) == 0xFF00FF) line[x] = qRgba(0, 0, 0, 0);
  }
  // Premultiplied, so that scaling blends no magenta into the outline.
  shaped = shaped.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QString root = QString::fromLocal8Bit(argv[2]);
  const QString name = QString::fromLocal8Bit(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size <= 0) {
      std::fprintf(stderr, "%s: not a size\n", argv[i]);
      return 1;
    }
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    const QString file = folder + "/" + name + ".png";
    const QImage icon = shaped.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
    if (!QDir().mkpath(folder) || !icon.save(file, "PNG")) {
      std::fprintf(stderr, "%s: cannot write the icon\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
