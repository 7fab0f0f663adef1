// The yardstick of the window's start-up benchmark: a bare Qt main window with a menu bar, a
// tree of the same size as KELDA's and an empty pane, which quits once the tree has painted.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <ctime>

namespace {

class QuitAfterPaint : public QObject {
  public:
    explicit QuitAfterPaint(QWidget* target) : target_(target) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_ && watched->isWidgetType() &&
            (watched == target_ || target_->isAncestorOf(static_cast<QWidget*>(watched)))) {
            done_ = true;
            QTimer::singleShot(0, qApp, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                timespec cpu{};
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                std::printf("first-sheet-painted %lld %lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                            static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }

  private:
    QWidget* target_;
    bool done_ = false;
};

}  // namespace

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
