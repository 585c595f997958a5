#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <map>

#include "gamedata/GameData.h"

class QAction;
class QLabel;
class QToolBar;

namespace vh {

class MainView;

constexpr int kFrameWidth = 896;
constexpr int kFrameHeight = 640;

// Top left of the frame centred on a desktop of the given size; negative on
// a desktop smaller than the frame, and kept so.
QPoint initialFramePosition(QSize desktop);

// The main frame: menu bar, movable toolbar, status bar, and the MainView
// filling the space between them inside a sunken edge. Every command goes to
// the view first; the frame handles what the view leaves (Exit, the toolbar
// and status bar toggles, Help).
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(GameData& data, QWidget* parent = nullptr);
    ~CMainFrame() override;

    MainView* view() const { return view_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* action(int32_t id) const;

    // Sizes the frame and centres it on the desktop rectangle.
    void placeOnDesktop(const QRect& desktop);

    // Runs a command as the menu or toolbar would.
    void runCommand(int32_t id);
    // Enables or greys every action by the view's state and sets the View
    // items' check marks. Runs before a menu opens and whenever the view's
    // state changes, so the toolbar always shows what can be chosen.
    void updateCommandStates();
    void showHelp();

protected:
    bool event(QEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void updateViewChecks();

    MainView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::map<int32_t, QAction*> actions_;
};

}  // namespace vh
