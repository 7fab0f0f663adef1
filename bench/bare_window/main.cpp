// The yardstick of the window's start-up benchmark: a bare Qt main window with a menu bar, a
// tree of the same size as KELDA's and an empty pane, which quits once the tree has painted.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>

#include "QuitAfterPaint.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char* m : {"File", "Edit", "View", "Port", "Radio", "Model", "Help"})
        window.menuBar()->addMenu(m)->addAction("Item");
    auto* splitter = new QSplitter(&window);
    auto* tree = new QTreeWidget(splitter);
    tree->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(tree, {"Radio"});
    for (int i = 0; i < 14; ++i) new QTreeWidgetItem(root, {QString("Sheet %1").arg(i)});
    root->setExpanded(true);
    auto* pane = new QWidget(splitter);
    window.setCentralWidget(splitter);
    window.resize(1000, 700);
    QuitAfterPaint quit(pane->parentWidget());
    app.installEventFilter(&quit);
    window.show();
    return app.exec();
}
