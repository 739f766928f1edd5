#include "dialog/qt/LogView.h"

#include "dialog/qt/LogViewAccessible.h"
#include "dialog/qt/QuietScrollBar.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace dialog::qt {

// --- content ---------------------------------------------------------------------

LogView::LogView(QWidget* parent)
    : QAbstractScrollArea(parent)
    , text_(palette().color(QPalette::Text).rgb())
    , glyphs_([this] { return font(); })
    , layout_(text_, [this](char16_t unit) { return glyphs_.measure(unit); })
    , cursor_(text_, layout_)
    , painter_(text_, layout_, glyphs_)
{
    installLogViewAccessibility();
    setVerticalScrollBar(new QuietScrollBar(this));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(1);
}

LogView::~LogView() = default;

void LogView::setReadOnly(bool on)
{
    readOnly_ = on;
    setAttribute(Qt::WA_InputMethodEnabled, !on);
}

void LogView::setText(const std::string& gbk, QColor colour)
{
    // The polls set the whole text again after a typed key or a clear:
    // only the part between what stays the same at both ends changes.
    const std::size_t common = std::min(text_.size(), gbk.size());
    std::size_t prefix = 0;
    const std::string_view shown = text_.bytes();
    while (prefix < common && shown[prefix] == gbk[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < common - prefix && shown[shown.size() - 1 - suffix] == gbk[gbk.size() - 1 - suffix])
        ++suffix;
    replace(prefix, text_.size() - suffix, gbk.substr(prefix, gbk.size() - suffix - prefix), colour, true);
    modified_ = false;
    userEdits_.clear();
}

void LogView::append(const std::string& gbk, QColor colour)
{
    if (gbk.empty())
        return;
    const bool follow = cursor_.caret() == text_.size() && !cursor_.hasSelection();
    replace(text_.size(), text_.size(), gbk, colour, false);
    userEdits_.clear();
    // A caret at the end stays there, as the edit's did with the text
    // inserted before it; a selection or a caret elsewhere stays put.
    if (follow)
        cursor_.collapse(text_.size());
}

void LogView::userReplace(std::size_t from, std::size_t to, const std::string& gbk)
{
    if (readOnly_)
        return;
    from = std::min(from, text_.size());
    to = std::clamp(to, from, text_.size());
    if (from == to && gbk.empty())
        return;
    UserEdit edit{from, gbk.size(), std::string(text_.bytes().substr(from, to - from)), {{0, colourAt(from)}}};
    for (const LogText::ColourRun& r : text_.colours())
        if (r.start > from && r.start < to)
            edit.colours.push_back({r.start - from, r.colour});
    userEdits_.push_back(std::move(edit));
    replace(from, to, gbk, QColor::fromRgb(colourAt(from)), false);
    cursor_.select(from + gbk.size(), from + gbk.size());
    modified_ = true;
    ensureCaretVisible();
    emit textEdited();
}

void LogView::revertUserEdits()
{
    // The last edit first.
    while (!userEdits_.empty()) {
        const UserEdit e = std::move(userEdits_.back());
        userEdits_.pop_back();
        if (e.inserted > 0)
            replace(e.from, e.from + e.inserted, {}, {}, false);
        // Run by run: the removed bytes come back in their own colours.
        for (std::size_t i = 0; i < e.colours.size(); ++i) {
            const std::size_t start = e.colours[i].start;
            const std::size_t end = i + 1 < e.colours.size() ? e.colours[i + 1].start : e.removed.size();
            if (end > start)
                replace(e.from + start, e.from + start, e.removed.substr(start, end - start),
                        QColor::fromRgb(e.colours[i].colour), false);
        }
    }
    modified_ = false;
}

void LogView::replace(std::size_t from, std::size_t to, const std::string& gbk, QColor colour, bool resetColours)
{
    const bool announce = QAccessible::isActive();
    QString removed;
    std::int64_t charFrom = 0;
    if (announce) {
        // Appends, the common case, are counted without a walk.
        charFrom = from == text_.size() ? text_.characters() : characterOfByte(from);
        removed = shownText(from, to);
    }
    const std::int64_t changedRow = text_.replace(from, to, gbk, colour.rgb(), resetColours, layout_.rowCounter());
    cursor_.followEdit(from, to, gbk.size());

    if (layout_.width() != wrapWidth()) {
        relayoutAll();
        dirtyFromRow_ = 0;
    } else {
        dirtyFromRow_ = dirtyFromRow_ < 0 ? changedRow : std::min(dirtyFromRow_, changedRow);
    }
    updateScrollBar();
    updateFromRow(dirtyFromRow_);
    if (announce) {
        const int at = static_cast<int>(charFrom);
        const QString inserted = shownText(from, from + gbk.size());
        if (removed.isEmpty() && inserted.isEmpty()) {
            // the same text set again
        } else if (removed.isEmpty()) {
            QAccessibleTextInsertEvent event(this, at, inserted);
            QAccessible::updateAccessibility(&event);
        } else if (inserted.isEmpty()) {
            QAccessibleTextRemoveEvent event(this, at, removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(this, at, removed, inserted);
            QAccessible::updateAccessibility(&event);
        }
    }
}

qreal LogView::wrapWidth() const { return viewport()->width() - 2 * kLogMargin; }

void LogView::syncWidth()
{
    if (layout_.width() != wrapWidth())
        relayoutAll();
}

void LogView::relayoutAll()
{
    layout_.setWidth(wrapWidth());
    text_.recount(layout_.rowCounter());
}

int LogView::rowCount()
{
    syncWidth();
    return static_cast<int>(std::min<std::int64_t>(text_.totalRows(), INT32_MAX));
}

QString LogView::shownText(std::size_t from, std::size_t to) const { return text_.shownText(from, to); }

std::int64_t LogView::characterOfByte(std::size_t pos) const { return text_.characterOfByte(pos); }

std::size_t LogView::byteOfCharacter(std::int64_t index) const { return text_.byteOfCharacter(index); }

QRgb LogView::colourAt(std::size_t pos) const { return text_.colourAt(pos); }

void LogView::paintEvent(QPaintEvent* event)
{
    if (layout_.width() != wrapWidth()) {
        relayoutAll();
        updateScrollBar();
    }
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::Text));
    dirtyFromRow_ = -1;
    LogPaintState state{};
    state.topRow = verticalScrollBar()->value();
    state.fromY = event->rect().top();
    state.toY = std::min(viewport()->height(), event->rect().bottom() + 1);
    state.rowHeight = rowHeight();
    state.ascent = QFontMetricsF(font()).ascent();
    state.selectionStart = selectionStart();
    state.selectionEnd = selectionEnd();
    state.caret = caret();
    state.showCaret = hasFocus() && !readOnly_;
    state.highlight = palette().brush(QPalette::Highlight);
    state.highlightedText = palette().color(QPalette::HighlightedText).rgb();
    state.caretBrush = palette().brush(QPalette::Text);
    painter_.paint(p, state);
}

// --- geometry and scrolling ------------------------------------------------------------

int LogView::rowHeight() const { return std::max(1, QFontMetrics(font()).lineSpacing()); }

int LogView::visibleRows() const { return std::max(1, (viewport()->height() - kLogMargin) / rowHeight()); }

void LogView::updateScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    const int visible = visibleRows();
    bar->setRange(0, static_cast<int>(std::clamp<std::int64_t>(text_.totalRows() - visible, 0, INT32_MAX)));
    bar->setPageStep(visible);
}

void LogView::scrollToEnd()
{
    syncWidth();
    updateScrollBar();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::scrollContentsBy(int, int dy)
{
    // The rows in sight move as pixels; only the rows that came into
    // sight, and those whose text changed since the last paint, are drawn.
    if (std::abs(dy) >= visibleRows())
        viewport()->update();
    else
        viewport()->scroll(0, dy * rowHeight());
    if (dirtyFromRow_ >= 0)
        updateFromRow(dirtyFromRow_);
}

void LogView::updateFromRow(std::int64_t row)
{
    const std::int64_t y = kLogMargin + (row - verticalScrollBar()->value()) * rowHeight();
    const int height = viewport()->height();
    if (y < height)
        viewport()->update(0, static_cast<int>(std::max<std::int64_t>(0, y)), viewport()->width(), height);
}

void LogView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (layout_.width() == wrapWidth()) {
        updateScrollBar();
        return;
    }
    // Keeps the first paragraph in sight, or the end when it was shown.
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    const std::size_t topParagraph = text_.paragraphOfRow(bar->value());
    relayoutAll();
    updateScrollBar();
    bar->setValue(atEnd ? bar->maximum()
                        : static_cast<int>(text_.rowsBefore(std::min(topParagraph, text_.paragraphCount() - 1))));
}

void LogView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        glyphs_.forget();
        layout_.forgetGlyphs();
        relayoutAll();
        updateScrollBar();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        text_.setColourOfEmpty(palette().color(QPalette::Text).rgb());
    }
}

std::size_t LogView::positionAt(const QPoint& point)
{
    syncWidth();
    const int rh = rowHeight();
    const std::int64_t row = verticalScrollBar()->value() +
                             static_cast<std::int64_t>(std::floor(static_cast<qreal>(point.y() - kLogMargin) / rh));
    if (row >= text_.totalRows())
        return text_.size();
    if (row < 0)
        return 0;
    return layout_.positionAtRow(row, point.x() - kLogMargin);
}

void LogView::ensureCaretVisible()
{
    syncWidth();
    const std::int64_t row = layout_.rowOfPosition(cursor_.caret());
    updateScrollBar();
    QScrollBar* bar = verticalScrollBar();
    if (row < bar->value())
        bar->setValue(static_cast<int>(row));
    else if (row >= bar->value() + visibleRows())
        bar->setValue(static_cast<int>(row - visibleRows() + 1));
    viewport()->update();
}

// --- caret and selection ---------------------------------------------------------------

void LogView::setSelection(std::size_t anchor, std::size_t caret)
{
    cursor_.select(anchor, caret);
    viewport()->update();
}

void LogView::moveCaretToEnd()
{
    setSelection(text_.size(), text_.size());
    ensureCaretVisible();
}

void LogView::moveCaret(LogCursor::Move move, bool keepAnchor)
{
    // Up and down start from the caret's row at the view's width.
    if (move == LogCursor::Move::NextRow || move == LogCursor::Move::PreviousRow || move == LogCursor::Move::NextPage ||
        move == LogCursor::Move::PreviousPage)
        syncWidth();
    cursor_.move(move, keepAnchor, visibleRows());
    ensureCaretVisible();
}

} // namespace dialog::qt
