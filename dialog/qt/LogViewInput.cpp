// What the user does to a receive view: keys, the input method, the
// mouse, the clipboard and the context menu.

#include "dialog/qt/LogView.h"

#include "dialog/qt/TextConvert.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

namespace dialog::qt {

bool LogView::deleteSelection()
{
    if (!hasSelection())
        return false;
    userReplace(selectionStart(), selectionEnd(), {});
    return true;
}

void LogView::insertTyped(const QString& typed)
{
    userReplace(selectionStart(), selectionEnd(), toSurfaceLines(typed));
}

void LogView::typeEach(const QString& typed)
{
    // Each character is an edit of its own, as keys typed one by one are:
    // a view whose owner acts on every typed character sees them all.
    for (qsizetype i = 0; i < typed.size();) {
        const bool pair =
            i + 1 < typed.size() && ((typed[i].isHighSurrogate() && typed[i + 1].isLowSurrogate()) ||
                                     (typed[i] == QLatin1Char('\r') && typed[i + 1] == QLatin1Char('\n')));
        const qsizetype n = pair ? 2 : 1;
        insertTyped(typed.mid(i, n));
        i += n;
    }
}

void LogView::copySelection(bool toSelectionClipboard) const
{
    if (!hasSelection())
        return;
    QApplication::clipboard()->setText(shownText(selectionStart(), selectionEnd()),
                                       toSelectionClipboard ? QClipboard::Selection : QClipboard::Clipboard);
}

bool LogView::moveByKey(QKeyEvent* e)
{
    using Move = LogCursor::Move;
    struct KeyMove {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Move to;
    };
    static const KeyMove moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextCharacter},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousCharacter},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextRow},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousRow},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::RowStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::RowEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::TextStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::TextEnd},
    };
    for (const KeyMove& m : moves) {
        if (e->matches(m.move) || e->matches(m.select)) {
            moveCaret(m.to, e->matches(m.select));
            return true;
        }
    }
    return false;
}

void LogView::keyPressEvent(QKeyEvent* e)
{
    const auto is = [e](QKeySequence::StandardKey k) { return e->matches(k); };
    const std::size_t size = text_.size();
    if (is(QKeySequence::Copy)) {
        copySelection();
    } else if (is(QKeySequence::SelectAll)) {
        setSelection(0, size);
    } else if (is(QKeySequence::Cut)) {
        copySelection();
        deleteSelection();
    } else if (is(QKeySequence::Paste)) {
        if (!readOnly_)
            insertTyped(QApplication::clipboard()->text());
    } else if (moveByKey(e)) {
        // moved
    } else if (readOnly_) {
        e->ignore();
    } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
        if (!deleteSelection() && caret() > 0)
            userReplace(text_.previousCharacter(caret()), caret(), {});
    } else if (is(QKeySequence::Delete)) {
        if (!deleteSelection() && caret() < size)
            userReplace(caret(), text_.nextCharacter(caret()), {});
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        insertTyped(QStringLiteral("\n"));
    } else {
        const QString typed = e->text();
        const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) {
            return c.isPrint() || c == QLatin1Char('\t');
        });
        if (printable && !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            typeEach(typed);
        else
            e->ignore();
    }
}

void LogView::inputMethodEvent(QInputMethodEvent* e)
{
    if (!readOnly_ && !e->commitString().isEmpty())
        typeEach(e->commitString());
    e->accept();
}

QVariant LogView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return !readOnly_;
    case Qt::ImCursorRectangle: return QRect(kLogMargin, kLogMargin, 1, rowHeight());
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    cursor_.click(positionAt(e->position().toPoint()), e->modifiers().testFlag(Qt::ShiftModifier));
    selecting_ = true;
    viewport()->update();
}

void LogView::mouseMoveEvent(QMouseEvent* e)
{
    if (!selecting_ || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint at = e->position().toPoint();
    // Dragging past the edge scrolls a row at a time.
    QScrollBar* bar = verticalScrollBar();
    if (at.y() < 0)
        bar->setValue(bar->value() - 1);
    else if (at.y() > viewport()->height())
        bar->setValue(bar->value() + 1);
    cursor_.drag(positionAt(at));
    viewport()->update();
}

void LogView::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && selecting_) {
        selecting_ = false;
        copySelection(true);
    } else if (e->button() == Qt::MiddleButton && !readOnly_ && QApplication::clipboard()->supportsSelection()) {
        const std::size_t pos = positionAt(e->position().toPoint());
        setSelection(pos, pos);
        insertTyped(QApplication::clipboard()->text(QClipboard::Selection));
    }
}

void LogView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        cursor_.selectWordAt(positionAt(e->position().toPoint()));
        viewport()->update();
    }
}

void LogView::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

QMenu* LogView::createContextMenu()
{
    // Qt's own words for these entries, in the program's language.
    const auto tr = [](const char* text) { return QCoreApplication::translate("QWidgetTextControl", text); };
    const auto entry = [](QMenu* menu, const QString& caption, QKeySequence::StandardKey key, bool enabled) {
        QAction* a = menu->addAction(caption);
        a->setShortcut(QKeySequence(key));
        a->setEnabled(enabled);
        return a;
    };
    auto* menu = new QMenu(this);
    const bool selected = hasSelection();
    if (!readOnly_) {
        connect(entry(menu, tr("Cu&t"), QKeySequence::Cut, selected), &QAction::triggered, this, [this] {
            copySelection();
            deleteSelection();
        });
    }
    connect(entry(menu, tr("&Copy"), QKeySequence::Copy, selected), &QAction::triggered, this,
            [this] { copySelection(); });
    if (!readOnly_) {
        connect(entry(menu, tr("&Paste"), QKeySequence::Paste, !QApplication::clipboard()->text().isEmpty()),
                &QAction::triggered, this, [this] { insertTyped(QApplication::clipboard()->text()); });
        connect(entry(menu, tr("Delete"), QKeySequence::UnknownKey, selected), &QAction::triggered, this,
                [this] { deleteSelection(); });
    }
    menu->addSeparator();
    connect(entry(menu, tr("Select All"), QKeySequence::SelectAll, text_.size() > 0), &QAction::triggered, this,
            [this] { setSelection(0, text_.size()); });
    if (extender_)
        extender_(*menu);
    return menu;
}

void LogView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace dialog::qt
