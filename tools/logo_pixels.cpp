// Writes the logo as a binary PPM, plain pixels that the Linux program shows without an image
// decoder. Run by the build: logo_pixels <picture> <out.ppm>
#include <QImage>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const QImage logo(QString::fromLocal8Bit(argv[1]));
  const bool written =
      !logo.isNull() &&
      logo.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(argv[2]), "PPM");
  return written ? 0 : 1;
}
