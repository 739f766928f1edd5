#include "dialog/qt/LogLayout.h"

#include "dialog/qt/GbkDecode.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dialog::qt {
namespace {

constexpr qreal kTabStop = 80; // as the text edits have it

} // namespace

LogLayout::LogLayout(const LogText& text, Measure measure) : text_(text), measure_(std::move(measure)) {}

void LogLayout::setWidth(qreal width)
{
    ++generation_;
    width_ = width;
}

void LogLayout::forgetGlyphs()
{
    glyphs_.clear();
    ++generation_;
}

const LogLayout::Glyph& LogLayout::glyphOf(char16_t unit)
{
    if (glyphs_.empty())
        glyphs_.assign(0x10000, Glyph{kUnmeasured, 0});
    Glyph& g = glyphs_[unit];
    if (g.index != kUnmeasured)
        return g;
    if (unit < 0x20 || unit == 0x7F)
        g = {kNoGlyph, 0}; // control characters take no room
    else
        g = measure_(unit);
    return g;
}

qreal LogLayout::widthAt(char16_t unit, qreal x)
{
    return unit == '\t' ? kTabStop - std::fmod(x, kTabStop) : glyphOf(unit).advance;
}

std::vector<qreal> LogLayout::edgesOf(const QString& shown)
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

int LogLayout::wrapRows(const QString& shown, std::vector<int>* starts)
{
    if (starts)
        starts->assign(1, 0);
    const qreal width = width_;
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

LogText::RowCounter LogLayout::rowCounter()
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

const std::vector<LogLayout::Row>& LogLayout::rowsOfParagraph(std::size_t i)
{
    // The rows of the paragraph asked for last are kept: under a feed the
    // next paint asks for the same paragraph grown by an append, and rows
    // are filled greedily, so only its last row is wrapped again.
    const std::size_t start = text_.paragraph(i).start;
    const std::size_t end = text_.contentEnd(i);
    const char* bytes = text_.bytes().data() + start;
    RowCache& c = rowCache_;
    const bool grown = c.start == start && c.generation == generation_ && !c.rows.empty() &&
                       end - start >= c.bytes.size() && std::memcmp(bytes, c.bytes.data(), c.bytes.size()) == 0;
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
    c.generation = generation_;
    c.bytes.assign(bytes, end - start);
    return c.rows;
}

void LogLayout::appendRows(std::vector<Row>& rows, std::size_t start, std::size_t end)
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
        row.byteAt.reserve(static_cast<std::size_t>(to - from) + 1);
        for (int k = from; k <= to; ++k)
            row.byteAt.push_back(
                static_cast<int>(start + static_cast<std::size_t>(byteAt[static_cast<std::size_t>(k)]) - row.start));
        rows.push_back(std::move(row));
    }
}

std::size_t LogLayout::rowHolding(const std::vector<Row>& rows, std::size_t pos)
{
    std::size_t r = 0;
    while (r + 1 < rows.size() && rows[r + 1].start <= pos)
        ++r;
    return r;
}

int LogLayout::indexInRow(const Row& row, std::size_t pos)
{
    const std::vector<int>& byteAt = row.byteAt;
    const int rel = static_cast<int>(pos - row.start);
    const auto it = std::lower_bound(byteAt.begin(), byteAt.end(), rel);
    return static_cast<int>(
        std::min<std::ptrdiff_t>(it - byteAt.begin(), static_cast<std::ptrdiff_t>(byteAt.size()) - 1));
}

std::int64_t LogLayout::rowOfPosition(std::size_t pos, int* x)
{
    const std::size_t i = text_.paragraphAt(pos);
    const std::vector<Row> rows = rowsOfParagraph(i);
    const std::size_t r = rowHolding(rows, pos);
    if (x)
        *x = static_cast<int>(edgesOf(rows[r].shown)[static_cast<std::size_t>(indexInRow(rows[r], pos))]);
    return text_.rowsBefore(i) + static_cast<std::int64_t>(r);
}

std::size_t LogLayout::positionAtRow(std::int64_t row, qreal x)
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

LogLayout::Glyph FontGlyphs::measure(char16_t unit)
{
    if (!made_) {
        raw_ = QRawFont::fromFont(font_());
        made_ = true;
    }
    const QChar c(unit);
    quint32 index = 0;
    int count = 1;
    if (raw_.isValid() && raw_.glyphIndexesForChars(&c, 1, &index, &count) && count == 1 && index != 0) {
        QPointF advance;
        raw_.advancesForGlyphIndexes(&index, &advance, 1);
        return {index, static_cast<float>(advance.x())};
    }
    // Drawn in a fallback font.
    return {LogLayout::kMissing, static_cast<float>(QFontMetricsF(font_()).horizontalAdvance(c))};
}

} // namespace dialog::qt
