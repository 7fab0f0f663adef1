// The honest peer of the window's start-up benchmark: a main window of stock Qt widgets showing
// what KELDA's first screen shows (menus, a toolbar of ten icons, a tree of eight nodes and a
// table of the first sheet's 19 rows with its bold headings), which quits once the table has
// painted.
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <iterator>

#include "QuitAfterPaint.h"

namespace {

// The first sheet as KELDA shows it: a heading row is one bold cell across the table.
struct Row {
    const char* a;
    const char* b;
    const char* c;
    bool heading;
};
const Row kRows[] = {
    {"Clone comment", "", "", true},
    {"Comment stored with the settings", "", "", false},
    {"Channel set", "Available", "Shown on the display as", true},
    {"International", "ON", "INT", false},
    {"USA", "On", "USA", false},
    {"Canada", "On", "CAN", false},
    {"Scan and watch", "", "", true},
    {"Scan", "On", "", false},
    {"Dual watch", "On", "", false},
    {"Tri watch", "On", "", false},
    {"Talk button (PTT) while scanning", "Stop scan", "", false},
    {"Transmit time-out", "", "", true},
    {"Time-out timer", "On", "", false},
    {"Longest transmission", "300 sec", "", false},
    {"Warning beep before time-out", "On", "", false},
    {"Other", "", "", true},
    {"Band exchange", "On", "", false},
    {"Remote station ID", "1", "", false},
    {"", "", "", false},
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char* m : {"File", "Edit", "View", "Port", "Radio", "Model", "Help"}) {
        QMenu* menu = window.menuBar()->addMenu(m);
        for (int i = 0; i < 6; ++i) menu->addAction(QStringLiteral("%1 item %2").arg(m).arg(i));
    }
    QToolBar* bar = window.addToolBar("Tools");
    const QStyle::StandardPixmap icons[] = {
        QStyle::SP_FileIcon,         QStyle::SP_DialogOpenButton,
        QStyle::SP_DialogSaveButton, QStyle::SP_DriveNetIcon,
        QStyle::SP_DriveCDIcon,      QStyle::SP_DriveDVDIcon,
        QStyle::SP_DriveHDIcon,      QStyle::SP_ArrowDown,
        QStyle::SP_ArrowUp,          QStyle::SP_MessageBoxInformation};
    for (QStyle::StandardPixmap icon : icons)
        bar->addAction(app.style()->standardIcon(icon), QStringLiteral("Tool"));
    auto* splitter = new QSplitter(&window);
    auto* tree = new QTreeWidget(splitter);
    tree->setHeaderHidden(true);
    auto* root = new QTreeWidgetItem(tree, {"Radio: International"});
    for (const char* node : {"International Channels", "USA Channels", "Canadian Channels",
                             "User Channels", "DSC", "Radio Set-up", "Configuration"})
        new QTreeWidgetItem(root, {node});
    root->setExpanded(true);
    auto* pane = new QWidget(splitter);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Functions", pane));
    auto* table = new QTableWidget(static_cast<int>(std::size(kRows)), 3, pane);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    QFont bold = table->font();
    bold.setBold(true);
    for (int r = 0; r < table->rowCount(); ++r) {
        const Row& row = kRows[r];
        const char* texts[] = {row.a, row.b, row.c};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(QString::fromUtf8(texts[c]));
            if (row.heading) item->setFont(bold);
            table->setItem(r, c, item);
        }
        if (row.heading && row.b[0] == '\0') table->setSpan(r, 0, 1, 3);
    }
    table->resizeColumnsToContents();
    layout->addWidget(table, 1);
    window.setCentralWidget(splitter);
    window.statusBar()->showMessage("Ready");
    window.resize(1000, 700);
    QuitAfterPaint quit(table->viewport());
    app.installEventFilter(&quit);
    window.show();
    return app.exec();
}
