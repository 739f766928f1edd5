#include "dialog/qt/controls/ListControls.h"

#include "dialog/qt/TextConvert.h"
#include "dialog/qt/controls/EditControls.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <functional>

namespace dialog::qt {
namespace {

// A list that tells before it opens.
class DroppingComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToDrop;

protected:
    void showPopup() override
    {
        if (aboutToDrop)
            aboutToDrop();
        QComboBox::showPopup();
    }
};

DroppingComboBox* newList(const ControlTemplate& c, QWidget* parent)
{
    auto* w = new DroppingComboBox(parent);
    const bool editable = c.kind == ControlKind::ComboBox;
    w->setEditable(editable);
    if (editable)
        w->setInsertPolicy(QComboBox::NoInsert); // Enter adds nothing to the list
    w->setMaxVisibleItems(20);
    for (const std::string& item : c.items)
        w->addItem(fromSource(item));
    w->setCurrentIndex(-1); // a list starts with nothing selected
    setAccessibleNames(w, fromSource(c.accessibleName.empty() ? c.caption : c.accessibleName));
    return w;
}

} // namespace

bool EnterSwallower::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

ListControl::ListControl(const ControlTemplate& c, QWidget* parent) : ControlAdapter(c.id, newList(c, parent)) {}

QComboBox* ListControl::box() const { return static_cast<QComboBox*>(widget()); }
QLineEdit* ListControl::edit() const { return box()->lineEdit(); }

void ListControl::connectSignals(ControlHost& host)
{
    const int id = this->id();
    QObject::connect(box(), &QComboBox::activated, box(),
                     [&host, id] { host.notify(id, Notification::SelectionChanged); });
    static_cast<DroppingComboBox*>(box())->aboutToDrop = [&host, id] { host.notify(id, Notification::DroppedDown); };
    if (!edit())
        return;
    QObject::connect(edit(), &QLineEdit::textEdited, box(), [&host, id] { host.notify(id, Notification::TextEdited); });
    // Enter in the edit would make Qt pick the entry that matches the typed
    // text, case ignored, and replace the text by it: what the user typed
    // must stay as typed, and Enter never acts here.
    edit()->installEventFilter(&enterSwallower_);
}

bool ListControl::connectChanges(ControlHost& host)
{
    QComboBox* b = box();
    const auto mark = [this, &host] { markChanged(host); };
    QObject::connect(b, &QComboBox::currentIndexChanged, b, mark);
    QObject::connect(b, &QComboBox::currentTextChanged, b, mark);
    QObject::connect(b, &QComboBox::editTextChanged, b, mark);
    QAbstractItemModel* m = b->model();
    QObject::connect(m, &QAbstractItemModel::rowsInserted, b, mark);
    QObject::connect(m, &QAbstractItemModel::rowsRemoved, b, mark);
    QObject::connect(m, &QAbstractItemModel::rowsMoved, b, mark);
    QObject::connect(m, &QAbstractItemModel::dataChanged, b, mark);
    QObject::connect(m, &QAbstractItemModel::layoutChanged, b, mark);
    QObject::connect(m, &QAbstractItemModel::modelReset, b, mark);
    return true;
}

std::string ListControl::text() const
{
    if (!edit() && box()->currentIndex() < 0)
        return {};
    return converted_.of(box()->currentText());
}

void ListControl::setText(const std::string& gbk)
{
    if (edit())
        box()->setEditText(fromSurface(gbk));
}

void ListControl::clearList()
{
    box()->clear();
    // Qt empties the edit only when an item was selected.
    if (edit())
        box()->setEditText(QString());
}

int ListControl::insertItem(int pos, const std::string& gbk)
{
    QComboBox* b = box();
    const int selected = b->currentIndex();
    const QString typed = b->currentText();
    if (pos < 0 || pos > b->count())
        pos = b->count();
    b->insertItem(pos, fromSurface(gbk));
    // Inserting never selects: QComboBox selects the first item of an
    // empty list, a drop-down list does not.
    if (selected < 0) {
        b->setCurrentIndex(-1);
        if (edit())
            b->setEditText(typed); // nor does it touch what was typed
    }
    return pos;
}

int ListControl::itemCount() const { return box()->count(); }

std::string ListControl::itemText(int pos) const
{
    if (pos < 0 || pos >= box()->count())
        return {};
    return itemConverted_.of(box()->itemText(pos));
}

int ListControl::selection() const { return box()->currentIndex(); }

void ListControl::select(int pos) { box()->setCurrentIndex(pos >= 0 && pos < box()->count() ? pos : -1); }

void ListControl::setItemToolTip(int pos, const std::string& gbk)
{
    if (pos >= 0 && pos < box()->count())
        box()->setItemData(pos, fromSurface(gbk), Qt::ToolTipRole);
}

void ListControl::appendText(const std::string& gbk)
{
    if (edit())
        lineEdit::appendText(*edit(), gbk);
}

bool ListControl::isModified() const { return edit() && edit()->isModified(); }

void ListControl::setModified(bool on)
{
    if (edit())
        edit()->setModified(on);
}

int ListControl::selectionStart() const { return edit() ? lineEdit::selectionStart(*edit()) : 0; }

void ListControl::moveCaretToEnd()
{
    if (edit())
        edit()->end(false);
}

} // namespace dialog::qt
