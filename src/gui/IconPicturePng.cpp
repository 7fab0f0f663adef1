#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include "gui/IconPicture.h"

namespace icons {

// The rendering of the drawing at the size asked for, else the smallest larger one scaled
// down (sharper than scaling up), else the largest there is.
void DrawPicture(QPainter& painter, const QString& svgFile, const QSize& px) {
    const QFileInfo svg(svgFile);
    const QString base = svg.completeBaseName();
    const QRegularExpression sized(
        QStringLiteral("^%1-(\\d+)\\.png$").arg(QRegularExpression::escape(base)));
    const int want = qMax(px.width(), px.height());
    int atLeast = 0, largest = 0;
    for (const QString& name : svg.dir().entryList({base + "-*.png"}, QDir::Files)) {
        const QRegularExpressionMatch m = sized.match(name);
        if (!m.hasMatch()) continue;
        const int size = m.captured(1).toInt();
        if (size >= want && (atLeast == 0 || size < atLeast)) atLeast = size;
        largest = qMax(largest, size);
    }
    const int best = atLeast ? atLeast : largest;
    if (best == 0) return;
    const QImage image(svg.dir().filePath(QStringLiteral("%1-%2.png").arg(base).arg(best)));
    if (image.isNull()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), px), image);
}

}  // namespace icons
