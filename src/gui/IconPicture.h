#pragma once
// Draws one of the program's icon files into a square of `px` pixels. The build chooses how:
// from the SVG drawing itself where Qt's SVG module is there, else from PNG renderings of it
// made at build time beside the SVG (name-16.png, name-32.png, ...: one for each size the
// window shows, at single and double scale).
#include <QPainter>
#include <QSize>
#include <QString>

namespace icons {

void DrawPicture(QPainter& painter, const QString& svgFile, const QSize& px);

}  // namespace icons
