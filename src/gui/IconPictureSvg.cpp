#include <QSvgRenderer>

#include "gui/IconPicture.h"

namespace icons {

void DrawPicture(QPainter& painter, const QString& svgFile, const QSize& px) {
    QSvgRenderer(svgFile).render(&painter, QRectF(QPointF(0, 0), QSizeF(px)));
}

}  // namespace icons
