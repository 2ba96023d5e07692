// Drawing of the tool bar images, the band background and the program icon.
// Each image is drawn on a 32×32 grid with soft outlines, in one palette.
#include "app/tool_bar_images.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kOutline(0x33, 0x3d, 0x55);
const QColor kPaper(0xfb, 0xfc, 0xff);
const QColor kBlue(0x3c, 0x6e, 0xc8);
const QColor kLightBlue(0xc3, 0xd5, 0xfd);
const QColor kYellow(0xf2, 0xc1, 0x4e);
const QColor kGreen(0x3c, 0x9a, 0x5a);
const QColor kRed(0xc8, 0x3c, 0x3c);

QPen outline(qreal width = 1.4) {
  return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A small table: a header row in blue and ruled rows.
void drawTable(QPainter& p, const QRectF& r) {
  p.setPen(outline());
  p.setBrush(kPaper);
  p.drawRoundedRect(r, 1.5, 1.5);
  p.setBrush(kBlue);
  p.drawRect(QRectF(r.left(), r.top(), r.width(), r.height() / 4));
  p.setPen(QPen(kOutline, 0.8));
  for (int row = 2; row < 4; ++row) {
    const qreal y = r.top() + r.height() * row / 4;
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  }
  const qreal x = r.left() + r.width() / 3;
  p.drawLine(QPointF(x, r.top() + r.height() / 4), QPointF(x, r.bottom()));
}

void drawNewTable(QPainter& p) {
  drawTable(p, QRectF(3, 5, 22, 20));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QRectF(18, 17, 13, 13));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(23.6, 19.5, 1.8, 8));
  p.drawRect(QRectF(20.5, 22.6, 8, 1.8));
}

void drawOpen(QPainter& p) {
  p.setPen(outline());
  p.setBrush(kYellow.darker(115));
  QPainterPath back;
  back.moveTo(3, 9);
  back.lineTo(11, 9);
  back.lineTo(13, 12);
  back.lineTo(27, 12);
  back.lineTo(27, 27);
  back.lineTo(3, 27);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(kPaper);
  p.drawRect(QRectF(7, 5, 16, 12));
  p.setBrush(kYellow);
  QPainterPath front;
  front.moveTo(3, 27);
  front.lineTo(7, 15);
  front.lineTo(31, 15);
  front.lineTo(27, 27);
  front.closeSubpath();
  p.drawPath(front);
}

void drawRecordView(QPainter& p) {
  p.setPen(outline());
  p.setBrush(kPaper);
  p.drawRoundedRect(QRectF(4, 2.5, 24, 27), 2, 2);
  for (int i = 0; i < 4; ++i) {
    const qreal y = 6 + i * 6;
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(7, y + 1, 5, 2));
    p.setPen(QPen(kOutline, 0.9));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, y, 11, 4));
  }
}

void drawTableInfo(QPainter& p) {
  drawTable(p, QRectF(2, 4, 22, 20));
  p.setPen(outline(1.2));
  p.setBrush(kBlue);
  p.drawEllipse(QRectF(17, 15, 14, 14));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(23, 17.5, 2.2, 2.2));
  p.drawRect(QRectF(23, 20.8, 2.2, 6));
}

void drawSearch(QPainter& p) {
  p.setPen(QPen(kOutline, 4.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(19.5, 19.5), QPointF(28, 28));
  p.setPen(outline(2));
  QRadialGradient glass(QPointF(10, 10), 12);
  glass.setColorAt(0, Qt::white);
  glass.setColorAt(1, kLightBlue);
  p.setBrush(glass);
  p.drawEllipse(QRectF(3, 3, 19, 19));
}

void drawPrint(QPainter& p) {
  p.setPen(outline());
  p.setBrush(kPaper);
  p.drawRect(QRectF(9, 3, 14, 10));
  p.setBrush(QColor(0x9a, 0xa3, 0xb5));
  p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
  p.setBrush(kPaper);
  p.drawRect(QRectF(8, 19, 16, 10));
  p.setPen(QPen(kOutline, 0.8));
  p.drawLine(QPointF(11, 22.5), QPointF(21, 22.5));
  p.drawLine(QPointF(11, 25.5), QPointF(19, 25.5));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QRectF(24, 14.5, 2.5, 2.5));
}

void drawShowHide(QPainter& p) {
  p.setPen(outline());
  for (int i = 0; i < 3; ++i) {
    p.setBrush(i == 1 ? QColor(0xd8, 0xdc, 0xe4) : kPaper);
    p.drawRect(QRectF(3 + i * 8.5, 4, 7.5, 16));
    p.setBrush(kBlue);
    p.drawRect(QRectF(3 + i * 8.5, 4, 7.5, 4));
  }
  // An eye under the columns.
  p.setBrush(Qt::white);
  QPainterPath eye;
  eye.moveTo(5, 25.5);
  eye.quadTo(16, 16, 27, 25.5);
  eye.quadTo(16, 35, 5, 25.5);
  p.drawPath(eye);
  p.setBrush(kOutline);
  p.drawEllipse(QPointF(16, 25.5), 3, 3);
}

void drawExit(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(0x8a, 0x5a, 0x3a));
  p.drawRect(QRectF(4, 3, 15, 26));
  p.setBrush(QColor(0x6a, 0x42, 0x2a));
  QPainterPath door;
  door.moveTo(4, 3);
  door.lineTo(13, 6);
  door.lineTo(13, 31);
  door.lineTo(4, 29);
  door.closeSubpath();
  p.drawPath(door);
  p.setPen(QPen(kRed, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(17, 16), QPointF(29, 16));
  p.drawPolyline(QPolygonF({{24.5, 11.5}, {29, 16}, {24.5, 20.5}}));
}

void drawQuery(QPainter& p) {
  p.setPen(outline());
  p.setBrush(kPaper);
  QPainterPath sheet;
  sheet.moveTo(5, 2.5);
  sheet.lineTo(20, 2.5);
  sheet.lineTo(26, 8.5);
  sheet.lineTo(26, 29.5);
  sheet.lineTo(5, 29.5);
  sheet.closeSubpath();
  p.drawPath(sheet);
  p.setPen(QPen(kOutline, 1));
  QFont font(QStringLiteral("Sans"));
  font.setPixelSize(8);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kBlue);
  p.drawText(QRectF(6, 9, 19, 9), Qt::AlignCenter, QStringLiteral("SQL"));
  p.setPen(QPen(kOutline, 0.9));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(8, 21 + i * 3), QPointF(i == 2 ? 17 : 23, 21 + i * 3));
}

using Drawer = void (*)(QPainter&);
constexpr Drawer kDrawers[kToolBarImageCount] = {drawNewTable,  drawOpen,   drawRecordView,
                                                 drawTableInfo, drawSearch, drawPrint,
                                                 drawShowHide,  drawExit,   drawQuery};

}  // namespace

QIcon toolBarImage(int index) {
  if (index < 0 || index >= kToolBarImageCount) return {};
  QPixmap pixmap(kToolBarImageSize, kToolBarImageSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  kDrawers[index](painter);
  painter.end();
  return QIcon(pixmap);
}

QPixmap toolBandBackground() {
  QPixmap tile(64, 96);
  QPainter p(&tile);
  QLinearGradient shade(0, 0, 0, tile.height());
  shade.setColorAt(0, QColor(0xf7, 0xf9, 0xff));
  shade.setColorAt(0.6, QColor(0xe4, 0xeb, 0xfa));
  shade.setColorAt(1, QColor(0xd6, 0xe0, 0xf5));
  p.fillRect(tile.rect(), shade);
  return tile;
}

namespace {

// The program icon on the 32×32 grid; packaging/quillbase.svg draws the same.
void drawProgramIcon(QPainter& p) {
  drawTable(p, QRectF(2.5, 6.5, 24, 22));
  // The quill, from top right down to the sheet.
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(Qt::white);
  QPainterPath feather;
  feather.moveTo(30, 1.5);
  feather.cubicTo(22, 3, 16, 10, 14.5, 21);
  feather.cubicTo(20, 16, 27, 10, 30, 1.5);
  p.drawPath(feather);
  p.setPen(QPen(kOutline, 1.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(14.5, 21), QPointF(12.5, 25.5));
}

}  // namespace

QImage programIconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  drawProgramIcon(p);
  p.end();
  return image;
}

QIcon programIcon() {
  QIcon icon;
  const QPixmap pixmap = QPixmap::fromImage(programIconImage(64));
  for (int size : {16, 32, 48, 64}) {
    icon.addPixmap(pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  }
  return icon;
}
