#include "app/CMainFrame.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/HelpDialog.h"
#include "ui/CommandTable.h"
#include "ui/MainView.h"
#include "ui/ToolbarImages.h"

namespace vh {

QPoint initialFramePosition(QSize desktop) {
    // Integer division rounds toward zero, also for negative differences.
    return QPoint((desktop.width() - kFrameWidth) / 2, (desktop.height() - kFrameHeight) / 2);
}

CMainFrame::CMainFrame(GameData& data, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Varnholt Radio"));

    // The view sits in a sunken client edge and fills the client area.
    auto* edge = new QFrame(this);
    edge->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(edge);
    layout->setContentsMargins(0, 0, 0, 0);  // the layout already lies inside the edge
    layout->setSpacing(0);
    view_ = new MainView(data, edge);
    layout->addWidget(view_);
    setCentralWidget(edge);

    buildActions();
    buildMenus();
    buildToolBar();
    buildStatusBar();

    // Keyboard focus given to the frame goes on to the view.
    setFocusProxy(view_);
    view_->setFocus();

    connect(view_, &MainView::commandStateChanged, this, &CMainFrame::updateCommandStates);
    updateCommandStates();
}

CMainFrame::~CMainFrame() {
    // The view outlives this part of the frame (Qt deletes it with the
    // children); nothing it reports on the way out may reach the actions.
    if (view_) disconnect(view_, nullptr, this, nullptr);
}

QAction* CMainFrame::action(int32_t id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::placeOnDesktop(const QRect& desktop) {
    resize(kFrameWidth, kFrameHeight);
    move(desktop.topLeft() + initialFramePosition(desktop.size()));
}

void CMainFrame::buildActions() {
    for (const CommandInfo& info : commandTable()) {
        auto* action = new QAction(QString::fromUtf8(info.menuText), this);
        action->setData(info.id);  // the command id travels with the action
        action->setStatusTip(QString::fromUtf8(info.prompt));
        if (info.tooltip) action->setToolTip(QString::fromUtf8(info.tooltip));
        const QImage image = toolbarImage(info.id);
        if (!image.isNull()) action->setIcon(QIcon(QPixmap::fromImage(image)));
        const int32_t id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[id] = action;
    }
    action(command::kToggleToolbar)->setCheckable(true);
    action(command::kToggleStatusBar)->setCheckable(true);
}

void CMainFrame::buildMenus() {
    for (const MenuInfo& info : menuLayout()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(info.title));
        for (int32_t id : info.items) {
            if (id == command::kSeparator) menu->addSeparator();
            else menu->addAction(action(id));
        }
        // Enable rules and check marks are evaluated whenever a menu opens.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    }
}

void CMainFrame::buildToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int32_t id : toolbarLayout()) {
        if (id == command::kSeparator) toolBar_->addSeparator();
        else toolBar_->addAction(action(id));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    connect(toolBar_, &QToolBar::visibilityChanged, this, &CMainFrame::updateViewChecks);
    // The toolbar's own context menu is the View menu's business.
    toolBar_->toggleViewAction()->setVisible(false);
}

void CMainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    // "Ready" shows whenever no prompt covers it.
    bar->addWidget(new QLabel(QStringLiteral("Ready"), bar), 1);
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(QString::fromUtf8(indicator), bar);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        // The lock keys' state is not read on every platform; the panes show
        // their names greyed, as an indicator that is off.
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    updateViewChecks();
}

void CMainFrame::updateViewChecks() {
    action(command::kToggleToolbar)->setChecked(!toolBar_->isHidden());
    action(command::kToggleStatusBar)->setChecked(!statusBar()->isHidden());
}

void CMainFrame::runCommand(int32_t id) {
    if (view_ && view_->handleCommand(id)) return;
    switch (id) {
    case command::kExit: close(); break;
    case command::kToggleToolbar: toolBar_->setVisible(toolBar_->isHidden()); break;
    case command::kToggleStatusBar: statusBar()->setVisible(statusBar()->isHidden()); break;
    case command::kHelp: showHelp(); break;
    default: break;
    }
    updateCommandStates();
}

void CMainFrame::updateCommandStates() {
    if (!view_) return;
    const CommandState state = view_->commandState();
    for (const auto& [id, action] : actions_) action->setEnabled(commandEnabled(id, state));
    updateViewChecks();
}

void CMainFrame::showHelp() {
    HelpDialog dialog(this);
    dialog.exec();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && view_) view_->setFocus(Qt::ActiveWindowFocusReason);
    return QMainWindow::event(event);
}

}  // namespace vh
