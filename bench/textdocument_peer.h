#pragma once
// The QTextDocument side of the viewer benchmarks: load an HTML page, lay it
// out at a width and paint its first screen, as the viewer does.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTextDocument>

namespace bench {

// The laid-out height, so that the work cannot be optimised away.
inline double TextDocumentFirstScreen(const QString& html, int width, int height) {
  QTextDocument doc;
  doc.setHtml(html);
  doc.setTextWidth(width);
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  doc.drawContents(&painter, QRectF(0, 0, width, height));
  painter.end();
  return doc.size().height();
}

}  // namespace bench
