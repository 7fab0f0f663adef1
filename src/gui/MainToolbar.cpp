#include "gui/MainToolbar.h"

#include <QAction>
#include <QMainWindow>
#include <QToolBar>
#include <QToolButton>

#include "gui/GridAccessible.h"
#include "gui/IconSet.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcCellCapsule.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

}  // namespace

MainToolbar::MainToolbar(QMainWindow* window, cmcGTex& text, const std::string& entry)
    : QObject(window) {
    ParseCell(text.GetLine(entry + "_BasicCell", 0), basic_, nullptr, nullptr);
    std::vector<std::string> lines;
    for (int n = 0;; ++n) {
        std::string line = text.GetLine(entry + "_Body", n);
        if (!line.empty() && line[0] == '#') break;
        lines.push_back(std::move(line));
    }
    const QString name = FromOverlay(text.GetLine(entry, 0));
    QToolBar* row = AddRow(window, name);
    buttons_.resize(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        Button& b = buttons_[i];
        ParseCell(lines[i], b.pristine, nullptr, &basic_);
        b.cell = b.pristine;
        if (b.pristine.Text == "-") {
            row->addSeparator();
            continue;
        }
        if (b.pristine.Text == "/") {
            window->addToolBarBreak();
            row = AddRow(window, name);
            continue;
        }
        b.image = b.pristine.ImageIndex;
        b.action = row->addAction(icons::Toolbar(b.image), FromOverlay(b.pristine.Text));
        b.action->setToolTip(FromOverlay(b.pristine.Text));
        if (QWidget* button = row->widgetForAction(b.action))
            button->setAccessibleName(FromOverlay(b.pristine.Text));
        connect(b.action, &QAction::triggered, this, [this, i] {
            Button& button = buttons_[i];
            button.cell = button.pristine;
            CellRun(button.cell, cellkey::kEnter);
        });
    }
}

MainToolbar::~MainToolbar() = default;

QToolBar* MainToolbar::AddRow(QMainWindow* window, const QString& name) {
    auto* bar = new QToolBar(name, window);
    bar->setObjectName(QStringLiteral("MainToolbar%1").arg(rows_.size()));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setContentsMargins(4, 0, 0, 0);
    bar->toggleViewAction()->setVisible(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setAccessibleName(name.isEmpty() ? axtext::Text(axtext::kToolbarName) : name);
    // The button that shows the buttons a narrow window leaves out has no text of its own.
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(axtext::Text(axtext::kToolbarMore));
    window->addToolBar(Qt::TopToolBarArea, bar);
    bar->setVisible(visible_);
    rows_.push_back(bar);
    return bar;
}

QAction* MainToolbar::ButtonAction(int line) const {
    if (line < 0 || line >= LineCount()) return nullptr;
    return buttons_[static_cast<size_t>(line)].action;
}

void MainToolbar::Refresh() {
    for (Button& b : buttons_) {
        if (!b.action) continue;
        b.cell = b.pristine;
        CellText(b.cell, 0);
        const bool pressed = b.cell.Flags & kFlagChecked;
        b.action->setCheckable(pressed);
        b.action->setChecked(pressed);
        b.action->setEnabled(!(b.cell.Flags & kFlagDisabled));
        if (b.cell.ImageIndex != b.image) {
            b.image = b.cell.ImageIndex;
            b.action->setIcon(icons::Toolbar(b.image));
        }
    }
}

void MainToolbar::SetVisible(bool visible) {
    visible_ = visible;
    for (QToolBar* bar : rows_) bar->setVisible(visible);
}
