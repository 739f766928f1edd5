#pragma once
// The receive views' widget. Its text is kept once, as the GBK bytes the
// program gave (LogText), and only the rows in sight are converted and
// drawn: a text edit keeps every character twice over (UTF-16 and its
// layout) and lays out every paragraph it is given, which made the views
// the largest cost of a steady feed and their memory grow by several times
// what they show. Positions are byte offsets into the GBK text, as the
// surface has them. The rows are LogLayout's, the caret and selection
// LogCursor's, the drawing LogPainter's; LogViewInput.cpp takes the
// user's keys, mouse and input method.

#include "dialog/qt/LogCursor.h"
#include "dialog/qt/LogLayout.h"
#include "dialog/qt/LogPaint.h"
#include "dialog/qt/LogText.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace dialog::qt {

class LogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using MenuExtender = std::function<void(QMenu&)>;

    explicit LogView(QWidget* parent);
    ~LogView() override;

    void setReadOnly(bool on);
    bool isReadOnly() const { return readOnly_; }
    void setMenuExtender(MenuExtender extender) { extender_ = std::move(extender); }

    /// The whole text, GBK with its line breaks as given.
    std::string_view text() const { return text_.bytes(); }
    /// Replaces the text, all of it in colour. Only what differs from the
    /// text shown is laid out again.
    void setText(const std::string& gbk, QColor colour);
    void append(const std::string& gbk, QColor colour);

    /// Lines as shown, wrapped at the view's width; at least 1.
    int rowCount();
    /// Characters; a line break (CR LF, CR or LF) counts one.
    std::int64_t characterCount() const { return text_.characters(); }

    std::size_t caret() const { return cursor_.caret(); }
    std::size_t selectionStart() const { return cursor_.selectionStart(); }
    std::size_t selectionEnd() const { return cursor_.selectionEnd(); }
    bool hasSelection() const { return cursor_.hasSelection(); }
    void setSelection(std::size_t anchor, std::size_t caret);
    void moveCaretToEnd();
    void scrollToEnd();

    bool isModified() const { return modified_; }
    void setModified(bool on) { modified_ = on; }

    /// The text from byte from to byte to as the view shows it: line breaks
    /// as LF. The byte offsets of characters are needed by accessibility
    /// tools, which count in characters.
    QString shownText(std::size_t from, std::size_t to) const;
    QString toPlainText() const { return shownText(0, text_.size()); }
    std::size_t byteOfCharacter(std::int64_t index) const;
    std::int64_t characterOfByte(std::size_t pos) const;

    /// The colour of the byte at pos.
    QRgb colourAt(std::size_t pos) const;

    /// The user's edit: replaces bytes [from, to) with the GBK text.
    void userReplace(std::size_t from, std::size_t to, const std::string& gbk);
    /// Undoes the user's edits since the program last set or appended
    /// text, and clears the modified flag.
    void revertUserEdits();
    /// Typing of text at the selection, one character at a time.
    void typeEach(const QString& typed);

    /// The standard edit entries and the window's; the caller owns it.
    QMenu* createContextMenu();

signals:
    /// The user changed the text.
    void textEdited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void replace(std::size_t from, std::size_t to, const std::string& gbk, QColor colour, bool resetColours);
    qreal wrapWidth() const;
    void relayoutAll();
    void syncWidth();

    int rowHeight() const;
    int visibleRows() const;
    void updateScrollBar();
    void updateFromRow(std::int64_t row);
    void ensureCaretVisible();
    std::size_t positionAt(const QPoint& viewportPoint);

    /// The key's caret move, kept in sight; false for any other key.
    bool moveByKey(QKeyEvent* event);
    void moveCaret(LogCursor::Move move, bool keepAnchor);
    /// The user's delete of the selection; false when there is none.
    bool deleteSelection();
    void insertTyped(const QString& typed);
    void copySelection(bool toSelectionClipboard = false) const;

    LogText text_;
    FontGlyphs glyphs_;
    LogLayout layout_;
    LogCursor cursor_;
    LogPainter painter_;
    bool readOnly_ = false;
    bool modified_ = false;
    bool selecting_ = false;
    std::int64_t dirtyFromRow_ = -1; // rows from here changed since the last paint
    // The user's edits since the program last wrote, to be undone: what
    // each replaced, not a copy of the whole text.
    struct UserEdit {
        std::size_t from;
        std::size_t inserted;
        std::string removed;
        std::vector<LogText::ColourRun> colours; // of removed, from its start
    };
    std::vector<UserEdit> userEdits_;
    MenuExtender extender_;
};

} // namespace dialog::qt
