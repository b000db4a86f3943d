#include "pen_cursor.h"

#include "drawing_surface.h"

#include <QPainter>
#include <QPolygon>

namespace {

QColor TableColour(int number)
{
    const Colour colour = QBColor(number);
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

}  // namespace

QPixmap PenCursorImage()
{
    QImage image(kPenCursorSize, kPenCursorSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Without antialiasing every pixel keeps one of the table's colours.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor black = TableColour(0);
    const QColor grey = TableColour(8);
    const QColor lightGrey = TableColour(7);
    const QColor white = TableColour(15);

    // The barrel along the diagonal, from behind the point to the pen's end.
    painter.setPen(black);
    painter.setBrush(lightGrey);
    painter.drawPolygon(QPolygon({QPoint(12, 8), QPoint(28, 24), QPoint(24, 28), QPoint(8, 12)}));
    // Shading: light on the upper side, dark on the lower side.
    painter.setPen(white);
    painter.drawLine(12, 10, 26, 24);
    painter.setPen(grey);
    painter.drawLine(10, 12, 24, 26);
    // The sharpened point, bare wood in white, and the tip at the hot spot.
    painter.setPen(black);
    painter.setBrush(white);
    painter.drawPolygon(QPolygon({QPoint(kPenHotSpot, kPenHotSpot), QPoint(12, 8), QPoint(8, 12)}));
    painter.setBrush(black);
    painter.drawPolygon(QPolygon({QPoint(kPenHotSpot, kPenHotSpot), QPoint(7, 6), QPoint(6, 7)}));
    painter.end();
    return QPixmap::fromImage(image);
}

QCursor PenCursor() { return QCursor(PenCursorImage(), kPenHotSpot, kPenHotSpot); }
