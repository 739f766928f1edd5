// The window's context menus: its menu entries, after a rich view's own
// edit actions.

#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/LogView.h"
#include "dialog/qt/TextConvert.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace dialog::qt {

QMenu* DialogWindow::createContextMenu(int id)
{
    if (auto* view = qobject_cast<LogView*>(control(id)))
        return view->createContextMenu();
    auto* menu = new QMenu(this);
    for (const MenuEntry& e : menu_) {
        const int command = e.command;
        connect(menu->addAction(fromSource(e.caption)), &QAction::triggered, this,
                [this, command] { logic_.onMenuCommand(command); });
    }
    return menu;
}

void DialogWindow::addMenuEntries(QMenu& menu)
{
    if (menu_.empty())
        return;
    menu.addSeparator();
    for (const MenuEntry& e : menu_) {
        const int command = e.command;
        connect(menu.addAction(fromSource(e.caption)), &QAction::triggered, this,
                [this, command] { logic_.onMenuCommand(command); });
    }
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    if (menu_.empty()) {
        event->ignore();
        return;
    }
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace dialog::qt
