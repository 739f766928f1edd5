#include "dialog/qt/LogView.h"

#include "dialog/qt/GbkDecode.h"
#include "dialog/qt/LogViewAccessible.h"
#include "dialog/qt/TextConvert.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace dialog::qt {
namespace {

constexpr int kMargin = 4;
constexpr qreal kTabStop = 80; // as the text edits have it

// A receive view's range grows at every append; once the handle is as
// small as it gets and sits at the end, nothing of the bar changes on
// screen, and the style's gradients are not painted again for it.
class QuietScrollBar : public QScrollBar {
public:
    explicit QuietScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent)
    {
        followLater_.setSingleShot(true);
        followLater_.callOnTimeout(this, [this] { updateIfChanged(); });
    }

protected:
    // An append moves the range and then the value: the bar is looked at
    // once both are done.
    void sliderChange(SliderChange) override
    {
        if (checkPending_)
            return;
        checkPending_ = true;
        QMetaObject::invokeMethod(this, [this] { updateIfChanged(); }, Qt::QueuedConnection);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        shownEnds_ = -1;
        QScrollBar::resizeEvent(event);
    }

private:
    void updateIfChanged()
    {
        checkPending_ = false;
        const qint64 sinceMs = shownAt_.isValid() ? shownAt_.elapsed() : kFollowMs;
        const bool held = sinceMs < kFollowMs && !isSliderDown() && !underMouse();
        // Held with the later look already due: whatever changed waits for
        // it, so the style's geometry is not asked at every frame of a feed.
        if (held && followLater_.isActive())
            return;
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        const int ends = (value() == minimum() ? 1 : 0) | (value() == maximum() ? 2 : 0);
        if (handle == shownHandle_ && ends == shownEnds_)
            return;
        // While a feed grows the range, the handle shrinks by a pixel or
        // so at every frame, and each paint of the style's gradients over
        // the bar's height wakes Qt's paint threads: it follows at most
        // five times a second then. A bar the user drags or points at
        // follows at once. Under a feed the next append looks again; the
        // timer, a little later, is for the last one.
        if (held) {
            followLater_.start(static_cast<int>(kFollowMs - sinceMs + kLastLookMs));
            return;
        }
        followLater_.stop();
        shownHandle_ = handle;
        shownEnds_ = ends;
        shownAt_.start();
        update();
    }

    static constexpr qint64 kFollowMs = 200;
    static constexpr qint64 kLastLookMs = 50; // longer than a frame
    QRect shownHandle_;
    int shownEnds_ = -1;
    bool checkPending_ = false;
    QElapsedTimer shownAt_;
    QTimer followLater_;
};

} // namespace

// --- content ---------------------------------------------------------------------

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent), text_(palette().color(QPalette::Text).rgb())
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
}

void LogView::append(const std::string& gbk, QColor colour)
{
    if (gbk.empty())
        return;
    const bool follow = caret_ == text_.size() && anchor_ == caret_;
    replace(text_.size(), text_.size(), gbk, colour, false);
    // A caret at the end stays there, as the edit's did with the text
    // inserted before it; a selection or a caret elsewhere stays put.
    if (follow)
        caret_ = anchor_ = text_.size();
}

void LogView::userReplace(std::size_t from, std::size_t to, const std::string& gbk)
{
    if (readOnly_)
        return;
    from = std::min(from, text_.size());
    to = std::clamp(to, from, text_.size());
    if (from == to && gbk.empty())
        return;
    replace(from, to, gbk, QColor::fromRgb(colourAt(from)), false);
    caret_ = anchor_ = from + gbk.size();
    caretX_ = -1;
    modified_ = true;
    ensureCaretVisible();
    emit textEdited();
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
    const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(gbk.size()) - static_cast<std::ptrdiff_t>(to - from);
    const std::int64_t changedRow = text_.replace(from, to, gbk, colour.rgb(), resetColours, rowCounter());

    const auto shift = [&](std::size_t p) {
        if (p <= from)
            return p;
        if (p >= to)
            return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(p) + delta);
        return from + gbk.size();
    };
    caret_ = std::min(shift(caret_), text_.size());
    anchor_ = std::min(shift(anchor_), text_.size());

    if (laidOutWidth_ != wrapWidth()) {
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

const LogView::Glyph& LogView::glyphOf(char16_t unit)
{
    if (glyphs_.empty()) {
        glyphs_.assign(0x10000, Glyph{kUnmeasured, 0});
        rawFont_ = QRawFont::fromFont(font());
    }
    Glyph& g = glyphs_[unit];
    if (g.index != kUnmeasured)
        return g;
    if (unit < 0x20 || unit == 0x7F) {
        g = {kNoGlyph, 0}; // control characters take no room
        return g;
    }
    const QChar c(unit);
    quint32 index = 0;
    int count = 1;
    if (rawFont_.isValid() && rawFont_.glyphIndexesForChars(&c, 1, &index, &count) && count == 1 && index != 0) {
        QPointF advance;
        rawFont_.advancesForGlyphIndexes(&index, &advance, 1);
        g = {index, static_cast<float>(advance.x())};
    } else {
        // Drawn in a fallback font.
        g = {kMissing, static_cast<float>(QFontMetricsF(font()).horizontalAdvance(c))};
    }
    return g;
}

qreal LogView::widthAt(char16_t unit, qreal x)
{
    return unit == '\t' ? kTabStop - std::fmod(x, kTabStop) : glyphOf(unit).advance;
}

std::vector<qreal> LogView::edgesOf(const QString& shown)
{
    std::vector<qreal> xs(static_cast<std::size_t>(shown.size()) + 1);
    qreal x = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        xs[static_cast<std::size_t>(i)] = x;
        x += widthAt(shown[i].unicode(), x);
    }
    xs.back() = x;
    return xs;
}

qreal LogView::wrapWidth() const { return viewport()->width() - 2 * kMargin; }

int LogView::wrapRows(const QString& shown, std::vector<int>* starts)
{
    if (starts)
        starts->assign(1, 0);
    const qreal width = laidOutWidth_;
    if (width <= 0)
        return 1;
    int rows = 1;
    qsizetype rowStart = 0;
    qsizetype afterSpace = -1; // a row may end after the last space in it
    qreal x = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown[i].unicode();
        const bool space = u == ' ' || u == '\t';
        qreal w = widthAt(u, x);
        // Spaces hang past the edge, as in the text edits.
        while (!space && x + w > width && i > rowStart) {
            const qsizetype cut = afterSpace > rowStart ? afterSpace : i;
            rowStart = cut;
            afterSpace = -1;
            ++rows;
            if (starts)
                starts->push_back(static_cast<int>(cut));
            x = 0;
            for (qsizetype j = cut; j < i; ++j)
                x += widthAt(shown[j].unicode(), x);
            w = widthAt(u, x);
        }
        x += w;
        if (space)
            afterSpace = i + 1;
    }
    return rows;
}

void LogView::syncWidth()
{
    if (laidOutWidth_ != wrapWidth())
        relayoutAll();
}

LogText::RowCounter LogView::rowCounter()
{
    return [this](const QString& shown, int* lastRowStart) {
        if (!lastRowStart)
            return wrapRows(shown, nullptr);
        std::vector<int> starts;
        const int rows = wrapRows(shown, &starts);
        *lastRowStart = starts.back();
        return rows;
    };
}

void LogView::relayoutAll()
{
    ++layout_;
    laidOutWidth_ = wrapWidth();
    text_.recount(rowCounter());
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

// --- rows ------------------------------------------------------------------------------

const std::vector<LogView::Row>& LogView::rowsOfParagraph(std::size_t i)
{
    // The rows of the paragraph asked for last are kept: under a feed the
    // next paint asks for the same paragraph grown by an append, and rows
    // are filled greedily, so only its last row is wrapped again.
    const std::size_t start = text_.paragraph(i).start;
    const std::size_t end = text_.contentEnd(i);
    const char* bytes = text_.bytes().data() + start;
    RowCache& c = rowCache_;
    const bool grown = c.start == start && c.layout == layout_ && !c.rows.empty() && end - start >= c.bytes.size() &&
                       std::memcmp(bytes, c.bytes.data(), c.bytes.size()) == 0;
    if (grown && end - start == c.bytes.size())
        return c.rows;
    std::size_t from = start;
    if (grown) {
        from = c.rows.back().start;
        c.rows.pop_back();
    } else {
        c.rows.clear();
    }
    appendRows(c.rows, from, end);
    c.start = start;
    c.layout = layout_;
    c.bytes.assign(bytes, end - start);
    return c.rows;
}

void LogView::appendRows(std::vector<Row>& rows, std::size_t start, std::size_t end)
{
    std::vector<int> byteAt;
    const QString shown = decodeGbk(text_.bytes().data() + start, end - start, &byteAt);
    std::vector<int> starts;
    wrapRows(shown, &starts);
    for (std::size_t r = 0; r < starts.size(); ++r) {
        const int from = starts[r];
        const int to = r + 1 < starts.size() ? starts[r + 1] : static_cast<int>(shown.size());
        Row row;
        row.start = start + static_cast<std::size_t>(byteAt[static_cast<std::size_t>(from)]);
        row.end = start + static_cast<std::size_t>(byteAt[static_cast<std::size_t>(to)]);
        row.shown = shown.mid(from, to - from);
        row.byteAt.reserve(static_cast<std::size_t>(to - from + 1));
        for (int k = from; k <= to; ++k)
            row.byteAt.push_back(static_cast<int>(start + static_cast<std::size_t>(byteAt[static_cast<std::size_t>(k)]) -
                                                  row.start));
        rows.push_back(std::move(row));
    }
}

namespace {

// The row of rows that holds pos; at a wrap, the row it starts.
template <class Rows> std::size_t rowHolding(const Rows& rows, std::size_t pos)
{
    std::size_t r = 0;
    while (r + 1 < rows.size() && rows[r + 1].start <= pos)
        ++r;
    return r;
}

// The UTF-16 index in row of byte position pos.
int indexInRow(const std::vector<int>& byteAt, std::size_t rowStart, std::size_t pos)
{
    const int rel = static_cast<int>(pos - rowStart);
    const auto it = std::lower_bound(byteAt.begin(), byteAt.end(), rel);
    return static_cast<int>(std::min<std::ptrdiff_t>(it - byteAt.begin(), static_cast<std::ptrdiff_t>(byteAt.size()) - 1));
}

} // namespace

void LogView::drawRow(QPainter& p, const Row& row, qreal y, bool caretHere)
{
    // The glyphs of the view's font are placed as the wrap measured them:
    // a log has nothing to shape, and shaping each row was most of a
    // paint's cost.
    const std::vector<qreal> xs = edgesOf(row.shown);
    const int rh = rowHeight();
    const auto index = [&row](std::size_t pos) { return indexInRow(row.byteAt, row.start, pos); };
    const int selFrom = index(std::clamp(selectionStart(), row.start, row.end));
    const int selTo = index(std::clamp(selectionEnd(), row.start, row.end));
    if (selFrom < selTo)
        p.fillRect(QRectF(kMargin + xs[static_cast<std::size_t>(selFrom)], y,
                          xs[static_cast<std::size_t>(selTo)] - xs[static_cast<std::size_t>(selFrom)], rh),
                   palette().brush(QPalette::Highlight));
    const qreal baseline = y + QFontMetricsF(font()).ascent();
    const QRgb selected = palette().color(QPalette::HighlightedText).rgb();
    QList<quint32> glyphs;
    QList<QPointF> positions;
    // One run of glyphs per colour; a character the font lacks is drawn
    // on its own, in whatever font Qt finds for it.
    const auto drawPiece = [&](int from, int to, QRgb colour) {
        if (from >= to)
            return;
        glyphs.clear();
        positions.clear();
        p.setPen(QColor::fromRgb(colour));
        for (int i = from; i < to; ++i) {
            const char16_t u = row.shown[i].unicode();
            if (u == '\t')
                continue;
            const Glyph& g = glyphOf(u);
            const QPointF at(kMargin + xs[static_cast<std::size_t>(i)], baseline);
            if (g.index == kMissing)
                p.drawText(at, QString(QChar(u)));
            else if (g.index != kNoGlyph) {
                glyphs.push_back(g.index);
                positions.push_back(at);
            }
        }
        if (glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(rawFont_);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        p.drawGlyphRun(QPointF(0, 0), run);
    };
    const std::vector<LogText::ColourRun>& colours = text_.colours();
    auto colourRun = std::upper_bound(colours.begin(), colours.end(), row.start,
                                      [](std::size_t pos, const LogText::ColourRun& r) { return pos < r.start; });
    if (colourRun != colours.begin())
        --colourRun;
    for (; colourRun != colours.end() && colourRun->start < std::max(row.end, row.start + 1); ++colourRun) {
        const int from = index(std::max(colourRun->start, row.start));
        const int to = colourRun + 1 != colours.end() ? index(std::min((colourRun + 1)->start, row.end))
                                                        : static_cast<int>(row.shown.size());
        if (to <= from)
            continue;
        // The selected part of the run in the selection's colour.
        drawPiece(from, std::min(to, std::max(from, selFrom)), colourRun->colour);
        drawPiece(std::max(from, selFrom), std::min(to, selTo), selected);
        drawPiece(std::max(from, std::min(to, selTo)), to, colourRun->colour);
    }
    if (caretHere && hasFocus() && !readOnly_)
        p.fillRect(QRectF(kMargin + xs[static_cast<std::size_t>(index(caret_))], y, 1, rh),
                   palette().brush(QPalette::Text));
}

void LogView::paintEvent(QPaintEvent* event)
{
    if (laidOutWidth_ != wrapWidth()) {
        relayoutAll();
        updateScrollBar();
    }
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::Text));
    const int rh = rowHeight();
    const std::int64_t top = verticalScrollBar()->value();
    std::size_t i = text_.paragraphOfRow(top);
    qreal y = kMargin + static_cast<qreal>(text_.rowsBefore(std::min(i, text_.paragraphCount())) - top) * rh;
    dirtyFromRow_ = -1;
    const int from = event->rect().top();
    const int height = std::min(viewport()->height(), event->rect().bottom() + 1);
    // The caret of a row that wraps is at the start of the next row; that
    // of the paragraph's end, at the end of its last row.
    for (; i < text_.paragraphCount() && y < height; ++i) {
        const qreal paragraphHeight = static_cast<qreal>(text_.rowsBefore(i + 1) - text_.rowsBefore(i)) * rh;
        if (y + paragraphHeight <= from) {
            y += paragraphHeight;
            continue;
        }
        const std::vector<Row>& rows = rowsOfParagraph(i);
        const bool caretIn = caret_ >= rows.front().start && caret_ <= rows.back().end;
        const std::size_t caretRow = caretIn ? rowHolding(rows, caret_) : rows.size();
        for (std::size_t r = 0; r < rows.size(); ++r, y += rh) {
            if (y + rh > from && y < height)
                drawRow(p, rows[r], y, r == caretRow);
        }
    }
}

// --- geometry and scrolling ------------------------------------------------------------

int LogView::rowHeight() const { return std::max(1, QFontMetrics(font()).lineSpacing()); }

int LogView::visibleRows() const { return std::max(1, (viewport()->height() - kMargin) / rowHeight()); }

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
    const std::int64_t y = kMargin + (row - verticalScrollBar()->value()) * rowHeight();
    const int height = viewport()->height();
    if (y < height)
        viewport()->update(0, static_cast<int>(std::max<std::int64_t>(0, y)), viewport()->width(), height);
}

void LogView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (laidOutWidth_ == wrapWidth()) {
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
        glyphs_.clear();
        relayoutAll();
        updateScrollBar();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        text_.setColourOfEmpty(palette().color(QPalette::Text).rgb());
    }
}

std::int64_t LogView::rowOfPosition(std::size_t pos, int* x)
{
    syncWidth();
    const std::size_t i = text_.paragraphAt(pos);
    const std::vector<Row> rows = rowsOfParagraph(i);
    const std::size_t r = rowHolding(rows, pos);
    if (x)
        *x = static_cast<int>(edgesOf(rows[r].shown)[static_cast<std::size_t>(
            indexInRow(rows[r].byteAt, rows[r].start, pos))]);
    return text_.rowsBefore(i) + static_cast<std::int64_t>(r);
}

std::size_t LogView::positionAtRow(std::int64_t row, qreal x)
{
    row = std::clamp<std::int64_t>(row, 0, text_.totalRows() - 1);
    const std::size_t i = std::min(text_.paragraphOfRow(row), text_.paragraphCount() - 1);
    const std::vector<Row> rows = rowsOfParagraph(i);
    const std::size_t r = std::min(static_cast<std::size_t>(row - text_.rowsBefore(i)), rows.size() - 1);
    const std::vector<qreal> xs = edgesOf(rows[r].shown);
    // The nearer edge of the character under x.
    int index = 0;
    while (index < rows[r].shown.size() &&
           x > (xs[static_cast<std::size_t>(index)] + xs[static_cast<std::size_t>(index) + 1]) / 2)
        ++index;
    // A click past a wrapped row's end puts the caret before its last
    // character's successor, which starts the next row.
    if (r + 1 < rows.size() && index == rows[r].shown.size() && index > 0)
        --index;
    return rows[r].start + static_cast<std::size_t>(rows[r].byteAt[static_cast<std::size_t>(std::max(0, index))]);
}

std::size_t LogView::positionAt(const QPoint& point)
{
    syncWidth();
    const int rh = rowHeight();
    const std::int64_t row = verticalScrollBar()->value() +
                             static_cast<std::int64_t>(std::floor(static_cast<qreal>(point.y() - kMargin) / rh));
    if (row >= text_.totalRows())
        return text_.size();
    if (row < 0)
        return 0;
    return positionAtRow(row, point.x() - kMargin);
}

void LogView::ensureCaretVisible()
{
    const std::int64_t row = rowOfPosition(caret_);
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
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    caretX_ = -1;
    viewport()->update();
}

void LogView::moveCaretToEnd()
{
    setSelection(text_.size(), text_.size());
    ensureCaretVisible();
}

void LogView::moveCaret(std::size_t pos, bool keepAnchor)
{
    caret_ = std::min(pos, text_.size());
    if (!keepAnchor)
        anchor_ = caret_;
    ensureCaretVisible();
}

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
        const bool pair = i + 1 < typed.size() && ((typed[i].isHighSurrogate() && typed[i + 1].isLowSurrogate()) ||
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

void LogView::selectWordAt(std::size_t pos)
{
    const std::size_t i = text_.paragraphAt(pos);
    const std::vector<Row> rows = rowsOfParagraph(i);
    for (const Row& row : rows) {
        if (pos < row.start || pos > row.end)
            continue;
        const auto isWord = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
        int from = indexInRow(row.byteAt, row.start, pos);
        int to = from;
        while (from > 0 && isWord(row.shown[from - 1]))
            --from;
        while (to < row.shown.size() && isWord(row.shown[to]))
            ++to;
        if (from == to && to < row.shown.size())
            ++to;
        setSelection(row.start + static_cast<std::size_t>(row.byteAt[static_cast<std::size_t>(from)]),
                     row.start + static_cast<std::size_t>(row.byteAt[static_cast<std::size_t>(to)]));
        return;
    }
}

// --- input -----------------------------------------------------------------------------

void LogView::keyPressEvent(QKeyEvent* e)
{
    const auto is = [e](QKeySequence::StandardKey k) { return e->matches(k); };
    const std::size_t size = text_.size();
    const auto vertical = [this](int rowsDown, bool keep) {
        int x = 0;
        const std::int64_t row = rowOfPosition(caret_, &x);
        if (caretX_ < 0)
            caretX_ = x;
        const qreal keepX = caretX_;
        const std::int64_t target = row + rowsDown;
        std::size_t pos;
        if (target < 0)
            pos = 0;
        else if (target >= text_.totalRows())
            pos = text_.size();
        else
            pos = positionAtRow(target, keepX);
        moveCaret(pos, keep);
        caretX_ = keepX;
    };
    const auto rowEdge = [this](bool end, bool keep) {
        const std::size_t i = text_.paragraphAt(caret_);
        const std::vector<Row> rows = rowsOfParagraph(i);
        const std::size_t r = rowHolding(rows, caret_);
        moveCaret(end ? (r + 1 < rows.size() ? text_.previousCharacter(rows[r].end) : rows[r].end) : rows[r].start, keep);
    };

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
    } else if (is(QKeySequence::MoveToNextChar) || is(QKeySequence::SelectNextChar)) {
        const bool keep = is(QKeySequence::SelectNextChar);
        moveCaret(!keep && hasSelection() ? selectionEnd() : text_.nextCharacter(caret_), keep);
    } else if (is(QKeySequence::MoveToPreviousChar) || is(QKeySequence::SelectPreviousChar)) {
        const bool keep = is(QKeySequence::SelectPreviousChar);
        moveCaret(!keep && hasSelection() ? selectionStart() : text_.previousCharacter(caret_), keep);
    } else if (is(QKeySequence::MoveToNextLine) || is(QKeySequence::SelectNextLine)) {
        vertical(1, is(QKeySequence::SelectNextLine));
    } else if (is(QKeySequence::MoveToPreviousLine) || is(QKeySequence::SelectPreviousLine)) {
        vertical(-1, is(QKeySequence::SelectPreviousLine));
    } else if (is(QKeySequence::MoveToNextPage) || is(QKeySequence::SelectNextPage)) {
        vertical(visibleRows(), is(QKeySequence::SelectNextPage));
    } else if (is(QKeySequence::MoveToPreviousPage) || is(QKeySequence::SelectPreviousPage)) {
        vertical(-visibleRows(), is(QKeySequence::SelectPreviousPage));
    } else if (is(QKeySequence::MoveToStartOfLine) || is(QKeySequence::SelectStartOfLine)) {
        rowEdge(false, is(QKeySequence::SelectStartOfLine));
    } else if (is(QKeySequence::MoveToEndOfLine) || is(QKeySequence::SelectEndOfLine)) {
        rowEdge(true, is(QKeySequence::SelectEndOfLine));
    } else if (is(QKeySequence::MoveToStartOfDocument) || is(QKeySequence::SelectStartOfDocument)) {
        moveCaret(0, is(QKeySequence::SelectStartOfDocument));
    } else if (is(QKeySequence::MoveToEndOfDocument) || is(QKeySequence::SelectEndOfDocument)) {
        moveCaret(size, is(QKeySequence::SelectEndOfDocument));
    } else if (readOnly_) {
        e->ignore();
    } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
        if (!deleteSelection() && caret_ > 0)
            userReplace(text_.previousCharacter(caret_), caret_, {});
    } else if (is(QKeySequence::Delete)) {
        if (!deleteSelection() && caret_ < size)
            userReplace(caret_, text_.nextCharacter(caret_), {});
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        insertTyped(QStringLiteral("\n"));
    } else {
        const QString typed = e->text();
        const bool printable =
            !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint() || c == QLatin1Char('\t'); });
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
    case Qt::ImEnabled:
        return !readOnly_;
    case Qt::ImCursorRectangle:
        return QRect(kMargin, kMargin, 1, rowHeight());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LogView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const std::size_t pos = positionAt(e->position().toPoint());
    caret_ = pos;
    if (!(e->modifiers() & Qt::ShiftModifier))
        anchor_ = pos;
    caretX_ = -1;
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
    caret_ = positionAt(at);
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
    if (e->button() == Qt::LeftButton)
        selectWordAt(positionAt(e->position().toPoint()));
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
