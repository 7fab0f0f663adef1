#include "gui/TForm1.h"

#include <QLabel>
#include <QStatusBar>

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("KELDA"));
    setMinimumSize(400, 200);
    resize(960, 640);
    auto* body = new QLabel(QStringLiteral("KELDA"), this);
    body->setAlignment(Qt::AlignCenter);
    setCentralWidget(body);
    statusBar()->showMessage(QStringLiteral("Ready"));
}
