#include "workbench/actionimages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace workbench {

namespace {

QImage Blank(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

const QColor kOutline(0x2b, 0x3a, 0x55);

void Sheet(QPainter& p, const QRectF& r, const QColor& fill) {
  QPainterPath path;
  const qreal fold = 5;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kOutline, 1));
  p.setBrush(fill);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Tick(QPainter& p, const QRectF& r, const QColor& colour, qreal width) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(r.left(), r.top() + r.height() * 0.55);
  path.lineTo(r.left() + r.width() * 0.38, r.bottom());
  path.lineTo(r.right(), r.top());
  p.drawPath(path);
}

void Cross(QPainter& p, const QRectF& r, const QColor& colour, qreal width) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomLeft());
}

// A few points on a rising curve, for the fit pictures.
void Curve(QPainter& p) {
  p.setPen(QPen(QColor(0x1c, 0x6e, 0x3a), 2));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(3, 19);
  path.cubicTo(9, 18, 13, 12, 20, 4);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x8a, 0x1c, 0x1c));
  for (QPointF pt : {QPointF(4, 16), QPointF(9, 17), QPointF(13, 11), QPointF(17, 8)}) p.drawEllipse(pt, 1.6, 1.6);
}

void Badge(QPainter& p, const QColor& colour, bool plus) {
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(colour);
  p.drawEllipse(QPointF(17.5, 17.5), 5.5, 5.5);
  p.setPen(QPen(Qt::white, 2));
  p.drawLine(QPointF(14.5, 17.5), QPointF(20.5, 17.5));
  if (plus) p.drawLine(QPointF(17.5, 14.5), QPointF(17.5, 20.5));
}

void Cylinder(QPainter& p, const QRectF& r, const QColor& fill) {
  const qreal e = 4;
  p.setPen(QPen(kOutline, 1));
  p.setBrush(fill);
  QPainterPath body;
  body.moveTo(r.left(), r.top() + e / 2);
  body.lineTo(r.left(), r.bottom() - e / 2);
  body.arcTo(QRectF(r.left(), r.bottom() - e, r.width(), e), 180, 180);
  body.lineTo(r.right(), r.top() + e / 2);
  body.closeSubpath();
  p.drawPath(body);
  p.setBrush(fill.lighter(130));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), e));
  p.setBrush(Qt::NoBrush);
  for (qreal y : {r.top() + r.height() / 3, r.top() + 2 * r.height() / 3})
    p.drawArc(QRectF(r.left(), y - e / 2, r.width(), e), 180 * 16, 180 * 16);
}

void DrawAction(QPainter& p, int index) {
  switch (index) {
    case 0: {   // save: a disk
      p.setPen(QPen(kOutline, 1));
      p.setBrush(QColor(0x3b, 0x5f, 0xa8));
      p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 2, 2);
      p.setBrush(QColor(0xf4, 0xf4, 0xf0));
      p.drawRect(QRectF(6.5, 2.5, 11, 7));
      p.setBrush(QColor(0x20, 0x2a, 0x3a));
      p.drawRect(QRectF(13.5, 3.5, 2, 5));
      p.setBrush(QColor(0xdd, 0xe4, 0xf0));
      p.drawRect(QRectF(5.5, 13.5, 13, 8));
      p.setPen(QPen(QColor(0x9a, 0xa6, 0xb8), 1));
      p.drawLine(QPointF(7.5, 16.5), QPointF(16.5, 16.5));
      p.drawLine(QPointF(7.5, 19), QPointF(16.5, 19));
      break;
    }
    case 1: {   // verify: a sheet with a tick
      Sheet(p, QRectF(3.5, 1.5, 15, 20), QColor(0xfb, 0xfb, 0xf6));
      p.setPen(QPen(QColor(0xa8, 0xb0, 0xbc), 1));
      for (qreal y : {6.5, 9.5, 12.5}) p.drawLine(QPointF(6.5, y), QPointF(15.5, y));
      Tick(p, QRectF(9, 12, 12, 9), QColor(0x1f, 0x8a, 0x3b), 3);
      break;
    }
    case 2:   // add fit
      Curve(p);
      Badge(p, QColor(0x1f, 0x8a, 0x3b), true);
      break;
    case 3:   // remove fit
      Curve(p);
      Badge(p, QColor(0xc0, 0x2b, 0x2b), false);
      break;
    case 4: {   // build: a sheet turned into a bound catalog
      Sheet(p, QRectF(1.5, 1.5, 11, 14), QColor(0xfb, 0xfb, 0xf6));
      p.setPen(QPen(QColor(0xa8, 0xb0, 0xbc), 1));
      for (qreal y : {5.5, 8.5, 11.5}) p.drawLine(QPointF(3.5, y), QPointF(9.5, y));
      p.setPen(QPen(kOutline, 1));
      p.setBrush(QColor(0xd9, 0x8c, 0x1f));
      p.drawRect(QRectF(9.5, 9.5, 12, 12));
      p.setBrush(QColor(0x8f, 0x55, 0x0c));
      p.drawRect(QRectF(9.5, 9.5, 3, 12));
      p.setPen(QPen(Qt::white, 1));
      p.drawLine(QPointF(14.5, 13.5), QPointF(19.5, 13.5));
      p.drawLine(QPointF(14.5, 16.5), QPointF(19.5, 16.5));
      break;
    }
    case 5: {   // send: an envelope
      p.setPen(QPen(kOutline, 1));
      p.setBrush(QColor(0xf6, 0xf1, 0xe0));
      p.drawRect(QRectF(1.5, 5.5, 21, 14));
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(1.5, 5.5), QPointF(12, 13.5));
      p.drawLine(QPointF(22.5, 5.5), QPointF(12, 13.5));
      p.setPen(QPen(QColor(0x3b, 0x5f, 0xa8), 2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(15, 21), QPointF(22, 21));
      break;
    }
    case 6: {   // install: an arrow into the database
      Cylinder(p, QRectF(4.5, 10.5, 15, 12), QColor(0x6f, 0x8f, 0xc9));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x1f, 0x8a, 0x3b));
      QPolygonF arrow({QPointF(9, 1), QPointF(15, 1), QPointF(15, 6), QPointF(19, 6), QPointF(12, 13),
                       QPointF(5, 6), QPointF(9, 6)});
      p.drawPolygon(arrow);
      break;
    }
    case 7: {   // try: a compressor with a gauge needle
      p.setPen(QPen(kOutline, 1));
      p.setBrush(QColor(0x9c, 0xa7, 0xb5));
      p.drawRoundedRect(QRectF(2.5, 8.5, 14, 11), 3, 3);
      p.setBrush(QColor(0x6b, 0x76, 0x85));
      p.drawRect(QRectF(4.5, 19.5, 10, 3));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(17.5, 7.5), 5.5, 5.5);
      p.setPen(QPen(QColor(0xc0, 0x2b, 0x2b), 1.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(17.5, 7.5), QPointF(20.5, 4.5));
      break;
    }
    case 8: {   // help: a question mark in a circle
      p.setPen(QPen(kOutline, 1));
      p.setBrush(QColor(0x3b, 0x7d, 0xd8));
      p.drawEllipse(QPointF(12, 12), 10, 10);
      QFont font("DejaVu Sans");
      font.setPixelSize(15);
      font.setBold(true);
      p.setFont(font);
      p.setPen(Qt::white);
      p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, "?");
      break;
    }
    case 9:   // database: a stack of records
      Cylinder(p, QRectF(3.5, 2.5, 17, 19), QColor(0xd9, 0x8c, 0x1f));
      break;
    default:
      break;
  }
}

}  // namespace

QImage ActionImage(int index) {
  QImage image = Blank(kActionImageSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawAction(p, index);
  return image;
}

QImage NavigationImage(TNavigationImage which) {
  QImage image = Blank(kActionImageSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  if (which == TNavigationImage::Verify) {
    DrawAction(p, 1);
    return image;
  }
  QLinearGradient fill(0, 0, 0, 24);
  fill.setColorAt(0, QColor(0x6f, 0x9b, 0xe0));
  fill.setColorAt(1, QColor(0x2c, 0x58, 0xa8));
  p.setPen(QPen(kOutline, 1));
  p.setBrush(fill);
  QPolygonF arrow;
  if (which == TNavigationImage::Previous)
    arrow << QPointF(2.5, 12) << QPointF(12.5, 2.5) << QPointF(12.5, 8) << QPointF(21.5, 8) << QPointF(21.5, 16)
          << QPointF(12.5, 16) << QPointF(12.5, 21.5);
  else
    arrow << QPointF(21.5, 12) << QPointF(11.5, 2.5) << QPointF(11.5, 8) << QPointF(2.5, 8) << QPointF(2.5, 16)
          << QPointF(11.5, 16) << QPointF(11.5, 21.5);
  p.drawPolygon(arrow);
  return image;
}

QImage TickImage() {
  QImage image = Blank(16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  Tick(p, QRectF(2.5, 3.5, 11, 9), QColor(0x1f, 0x8a, 0x3b), 2.5);
  return image;
}

QImage CrossImage() {
  QImage image = Blank(16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  Cross(p, QRectF(3.5, 3.5, 9, 9), QColor(0xc0, 0x2b, 0x2b), 2.5);
  return image;
}

}  // namespace workbench
