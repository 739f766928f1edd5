// The window's context menus: its menu entries, after a rich view's own
// edit actions, with the check marks the logic set; and the open menu as
// accessibility tools reach it.

#include "dialog/qt/DialogWindow.h"

#include "dialog/qt/LogView.h"
#include "dialog/qt/TextConvert.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>

namespace dialog::qt {
namespace {

// The command a checkable entry's action stands for, so that a change of
// its mark reaches a menu that is open.
constexpr const char* kCheckCommand = "menuCheckCommand";

// Qt leaves popups out of the application's children although they name
// the application as their parent: a walk of the accessible tree never
// reached an open context menu or its entries, and a screen reader saw
// them only once an entry was highlighted. The open menu comes after the
// windows here.
class ApplicationWithMenu : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + (openMenu() ? 1 : 0); }
    QAccessibleInterface* child(int index) const override
    {
        QMenu* menu = openMenu();
        if (menu && index == QAccessibleApplication::childCount())
            return QAccessible::queryAccessibleInterface(menu);
        return QAccessibleApplication::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        QMenu* menu = openMenu();
        if (menu && child && child->object() == menu)
            return QAccessibleApplication::childCount();
        return QAccessibleApplication::indexOfChild(child);
    }

private:
    static QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
};

QAccessibleInterface* applicationFactory(const QString& className, QObject* object)
{
    if (object && object == QCoreApplication::instance() && className == QLatin1String("QApplication"))
        return new ApplicationWithMenu;
    return nullptr;
}

} // namespace

void DialogWindow::makeMenusAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(applicationFactory);
        return true;
    }();
    (void)installed;
}

QMenu* DialogWindow::createContextMenu(int id)
{
    if (auto* view = qobject_cast<LogView*>(control(id)))
        return view->createContextMenu();
    auto* menu = new QMenu(this);
    for (std::size_t i = 0; i < menu_.size(); ++i)
        addMenuEntry(*menu, i);
    return menu;
}

void DialogWindow::addMenuEntries(QMenu& menu)
{
    if (menu_.empty())
        return;
    menu.addSeparator();
    for (std::size_t i = 0; i < menu_.size(); ++i)
        addMenuEntry(menu, i);
}

void DialogWindow::addMenuEntry(QMenu& menu, std::size_t index)
{
    const MenuEntry& e = menu_[index];
    const int command = e.command;
    QAction* action = menu.addAction(fromSource(e.caption));
    if (e.checkable) {
        action->setCheckable(true);
        action->setChecked(menuChecks_[index]);
        action->setProperty(kCheckCommand, command);
    }
    connect(action, &QAction::triggered, this, [this, command, index, shown = QPointer<QAction>(action)] {
        logic_.onMenuCommand(command);
        // Qt ticks a checkable action by itself; the mark is the logic's.
        if (shown && shown->isCheckable())
            shown->setChecked(menuChecks_[index]);
    });
}

void DialogWindow::setMenuCheck(int command, bool on)
{
    for (std::size_t i = 0; i < menu_.size(); ++i)
        if (menu_[i].command == command && menu_[i].checkable)
            menuChecks_[i] = on;
    for (QAction* action : findChildren<QAction*>()) {
        const QVariant shows = action->property(kCheckCommand);
        if (shows.isValid() && shows.toInt() == command)
            action->setChecked(on);
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

void DialogWindow::openContextMenuByKey()
{
    QWidget* target = focusWidget() ? focusWidget() : this;
    const QPoint at = target->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
    QCoreApplication::sendEvent(target, &request);
}

} // namespace dialog::qt
