#include "dialog/qt/LogViewAccessible.h"

#include "dialog/qt/LogView.h"
#include "dialog/qt/TextConvert.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>

namespace dialog::qt {
namespace {

// The view to accessibility tools: an editable text, counted in UTF-16
// units, as the text edits are.
class LogViewAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit LogViewAccessible(LogView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    LogView* view() const { return static_cast<LogView*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface && !view()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.editable = !view()->isReadOnly();
        s.readOnly = view()->isReadOnly();
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return view()->shownText(0, view()->text().size());
        return QAccessibleWidget::text(t);
    }

    // Text
    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index != 0 || !view()->hasSelection())
            return;
        *start = offsetOf(view()->selectionStart());
        *end = offsetOf(view()->selectionEnd());
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { view()->setSelection(view()->caret(), view()->caret()); }
    void setSelection(int, int start, int end) override { view()->setSelection(byteOf(start), byteOf(end)); }
    int cursorPosition() const override { return offsetOf(view()->caret()); }
    void setCursorPosition(int position) override
    {
        const std::size_t pos = byteOf(position);
        view()->setSelection(pos, pos);
    }
    QString text(int start, int end) const override
    {
        const int count = characterCount();
        if (end < 0 || end > count)
            end = count;
        start = std::clamp(start, 0, end);
        return view()->shownText(byteOf(start), byteOf(end));
    }
    int characterCount() const override { return static_cast<int>(view()->characterCount()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int start, int) override { setCursorPosition(start); }
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

    // Editable text: as if the user had typed it.
    void deleteText(int start, int end) override { replaceText(start, end, {}); }
    void insertText(int offset, const QString& text) override
    {
        if (view()->isReadOnly())
            return;
        const std::size_t pos = byteOf(offset);
        view()->setSelection(pos, pos);
        view()->typeEach(text);
    }
    void replaceText(int start, int end, const QString& text) override
    {
        view()->userReplace(byteOf(start), byteOf(end), toSurfaceLines(text));
    }

private:
    int offsetOf(std::size_t pos) const { return static_cast<int>(view()->characterOfByte(pos)); }
    std::size_t byteOf(int offset) const { return view()->byteOfCharacter(std::max(0, offset)); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("dialog::qt::LogView") && object && object->isWidgetType())
        return new LogViewAccessible(static_cast<LogView*>(object));
    return nullptr;
}

} // namespace

void installLogViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace dialog::qt
