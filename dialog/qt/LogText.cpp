#include "dialog/qt/LogText.h"

#include "dialog/qt/GbkDecode.h"

#include <algorithm>

namespace dialog::qt {
namespace {

// Past this many bytes without a line break a paragraph ends at the next
// character.
constexpr std::size_t kParagraphBytes = 4096;

} // namespace

LogText::LogText(QRgb colour)
{
    paragraphs_.push_back({0, 1, 0});
    colours_.push_back({0, colour});
}

void LogText::setColourOfEmpty(QRgb colour)
{
    if (text_.empty())
        colours_.assign(1, {0, colour});
}

std::int64_t LogText::replace(std::size_t from, std::size_t to, const std::string& gbk, QRgb colour, bool resetColours,
                              const RowCounter& rows)
{
    const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(gbk.size()) - static_cast<std::ptrdiff_t>(to - from);
    const bool append = from == text_.size();
    text_.replace(from, to - from, gbk);

    if (resetColours || (append && from == 0)) {
        colours_.assign(1, {0, colour});
    } else if (append) {
        // What arrives goes at the end: the runs before it stand.
        if (!gbk.empty() && colours_.back().colour != colour)
            colours_.push_back({from, colour});
    } else {
        const QRgb after = colourAt(to);
        // Runs inside the replaced bytes go; later ones move with the text.
        std::vector<ColourRun> runs;
        runs.reserve(colours_.size() + 2);
        for (const ColourRun& r : colours_)
            if (r.start < from)
                runs.push_back(r);
        if (!gbk.empty())
            runs.push_back({from, colour});
        if (from + gbk.size() < text_.size())
            runs.push_back({from + gbk.size(), after});
        for (const ColourRun& r : colours_)
            if (r.start > to)
                runs.push_back({static_cast<std::size_t>(static_cast<std::ptrdiff_t>(r.start) + delta), r.colour});
        // One run per colour change.
        colours_.clear();
        for (const ColourRun& r : runs) {
            if (!colours_.empty() && colours_.back().start == r.start)
                colours_.back() = r;
            else if (colours_.empty() || colours_.back().colour != r.colour)
                colours_.push_back(r);
        }
        if (colours_.empty() || colours_.front().start != 0)
            colours_.insert(colours_.begin(), {0, colour});
    }

    return reindex(from, from + gbk.size(), delta, rows);
}

void LogText::recount(const RowCounter& counter)
{
    // The pieces of long runs end at row starts of the old width: cut
    // again.
    openRow_ = {};
    reindex(0, text_.size(), 0, counter);
}

int LogText::rowsOf(std::size_t start, std::size_t end, const RowCounter& rows, std::size_t* lastRowStart) const
{
    if (!lastRowStart)
        return rows(decodeGbk(text_.data() + start, end - start), nullptr);
    std::vector<int> byteAt;
    const QString shown = decodeGbk(text_.data() + start, end - start, &byteAt);
    int last = 0;
    const int count = rows(shown, &last);
    *lastRowStart = start + static_cast<std::size_t>(byteAt[static_cast<std::size_t>(last)]);
    return count;
}

std::size_t LogText::paragraphOfRow(std::int64_t row) const
{
    const auto it = std::upper_bound(paragraphs_.begin(), paragraphs_.end(), row,
                                     [](std::int64_t r, const Paragraph& para) { return r < para.rowsEnd; });
    return static_cast<std::size_t>(it - paragraphs_.begin());
}

std::size_t LogText::paragraphAt(std::size_t pos) const
{
    const auto it = std::upper_bound(paragraphs_.begin(), paragraphs_.end(), pos,
                                     [](std::size_t p, const Paragraph& para) { return p < para.start; });
    return static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, (it - paragraphs_.begin()) - 1));
}

std::size_t LogText::paragraphEnd(std::size_t i) const
{
    return i + 1 < paragraphs_.size() ? paragraphs_[i + 1].start : text_.size();
}

std::size_t LogText::contentEnd(std::size_t i) const
{
    std::size_t end = paragraphEnd(i);
    const std::size_t start = paragraphs_[i].start;
    if (end > start && text_[end - 1] == '\n')
        --end;
    if (end > start && text_[end - 1] == '\r')
        --end;
    return end;
}

std::int64_t LogText::reindex(std::size_t editFrom, std::size_t editEndNew, std::ptrdiff_t delta,
                              const RowCounter& counter)
{
    const std::size_t n = text_.size();
    const std::size_t editEndOld = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(editEndNew) - delta);
    // Bytes only added at the end leave every row start before them.
    const bool appended = editEndOld == editFrom && editEndNew == n;
    std::size_t k = paragraphAt(editFrom);
    // A CR that ended the paragraph before and an LF at the start of this
    // one are one line break; a piece of a long run before this one may
    // take the edited characters onto its last row.
    if (k > 0) {
        const char before = text_[paragraphs_[k].start - 1];
        if (before == '\r' || (!appended && before != '\n'))
            --k;
    }
    // Only the paragraphs from the edit on are looked at: an append costs
    // the same however long the text is.
    const std::vector<Paragraph> tail(paragraphs_.begin() + static_cast<std::ptrdiff_t>(k), paragraphs_.end());
    paragraphs_.resize(k);
    const std::int64_t firstRow = rowsBefore(k);
    std::int64_t rows = firstRow;
    for (const Paragraph& p : tail)
        characters_ -= p.characters;
    const OpenRow open = openRow_;
    openRow_ = {};
    std::size_t pos = tail.front().start;
    bool endsInBreak = true; // the empty text has its one empty paragraph
    while (pos < n) {
        // The old paragraphs from here on hold the same bytes: they are
        // moved, not laid out again.
        if (pos >= editEndNew && pos > tail.front().start) {
            const std::size_t oldStart = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(pos) - delta);
            const auto it = std::lower_bound(tail.begin(), tail.end(), oldStart,
                                             [](const Paragraph& p, std::size_t s) { return p.start < s; });
            if (oldStart >= editEndOld && it != tail.end() && it->start == oldStart) {
                const std::int64_t rowShift = rows - (it == tail.begin() ? firstRow : (it - 1)->rowsEnd);
                for (auto j = it; j != tail.end(); ++j) {
                    paragraphs_.push_back({pos + (j->start - oldStart), j->rowsEnd + rowShift, j->characters});
                    characters_ += j->characters;
                }
                return firstRow;
            }
        }
        const std::size_t start = pos;
        std::size_t content = n; // where the line break starts
        std::uint32_t chars = 0;
        endsInBreak = false;
        while (pos < n) {
            if (text_[pos] == '\n' || text_[pos] == '\r') {
                content = pos;
                pos += text_[pos] == '\r' && pos + 1 < n && text_[pos + 1] == '\n' ? 2 : 1;
                endsInBreak = true;
                ++chars;
                break;
            }
            if (pos - start >= kParagraphBytes)
                break;
            pos += static_cast<std::size_t>(decodeGbkAt(text_.data() + pos, n - pos).bytes);
            ++chars;
        }
        if (!endsInBreak)
            content = pos;
        if (endsInBreak) {
            rows += rowsOf(start, content, counter);
        } else if (pos < n) {
            // A piece of a long run ends where its last row starts, so the
            // next piece goes on with that row: a row the width does not
            // force would be a line the text does not hold.
            const bool resume = appended && open.paragraphStart == start;
            std::size_t lastStart = resume ? open.start : start;
            const std::int64_t here = (resume ? open.rowsBefore : 0) + rowsOf(lastStart, pos, counter, &lastStart);
            if (lastStart > start) {
                pos = lastStart;
                chars = 0;
                for (std::size_t p = start; p < pos; ++chars)
                    p += static_cast<std::size_t>(decodeGbkAt(text_.data() + p, pos - p).bytes);
                rows += here - 1;
            } else {
                rows += here; // one row wider than a piece
            }
        } else {
            const bool resume = appended && open.paragraphStart == start;
            const std::size_t from = resume ? open.start : start;
            const std::int64_t above = resume ? open.rowsBefore : 0;
            std::size_t lastStart = from;
            const std::int64_t here = above + rowsOf(from, content, counter, &lastStart);
            openRow_ = {start, lastStart, here - 1};
            rows += here;
        }
        paragraphs_.push_back({start, rows, chars});
        characters_ += chars;
    }
    if (endsInBreak || paragraphs_.empty())
        paragraphs_.push_back({n, rows + 1, 0});
    return firstRow;
}

QString LogText::shownText(std::size_t from, std::size_t to) const
{
    to = std::min(to, text_.size());
    QString out = decodeGbk(text_.data() + from, to > from ? to - from : 0);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

std::int64_t LogText::characterOfByte(std::size_t pos) const
{
    pos = std::min(pos, text_.size());
    const std::size_t i = paragraphAt(pos);
    std::int64_t chars = 0;
    for (std::size_t j = 0; j < i; ++j)
        chars += paragraphs_[j].characters;
    for (std::size_t p = paragraphs_[i].start; p < pos;) {
        if (text_[p] == '\r' && p + 1 < text_.size() && text_[p + 1] == '\n') {
            p += 2;
        } else {
            p += static_cast<std::size_t>(decodeGbkAt(text_.data() + p, text_.size() - p).bytes);
        }
        ++chars;
    }
    return chars;
}

std::size_t LogText::byteOfCharacter(std::int64_t index) const
{
    std::size_t i = 0;
    while (i + 1 < paragraphs_.size() && index >= paragraphs_[i].characters) {
        index -= paragraphs_[i].characters;
        ++i;
    }
    std::size_t p = paragraphs_[i].start;
    const std::size_t end = paragraphEnd(i);
    for (; index > 0 && p < end; --index) {
        if (text_[p] == '\r' && p + 1 < end && text_[p + 1] == '\n')
            p += 2;
        else
            p += static_cast<std::size_t>(decodeGbkAt(text_.data() + p, end - p).bytes);
    }
    return p;
}

QRgb LogText::colourAt(std::size_t pos) const
{
    const auto it = std::upper_bound(colours_.begin(), colours_.end(), pos,
                                     [](std::size_t p, const ColourRun& r) { return p < r.start; });
    return it == colours_.begin() ? colours_.front().colour : (it - 1)->colour;
}

std::size_t LogText::previousCharacter(std::size_t pos) const
{
    if (pos == 0)
        return 0;
    if (text_[pos - 1] == '\n')
        return pos >= 2 && text_[pos - 2] == '\r' ? pos - 2 : pos - 1;
    if (text_[pos - 1] == '\r')
        return pos - 1;
    // GBK is read forwards: from the paragraph's start, a character boundary.
    std::size_t p = paragraphs_[paragraphAt(pos - 1)].start;
    std::size_t last = p;
    while (p < pos) {
        last = p;
        p += static_cast<std::size_t>(decodeGbkAt(text_.data() + p, text_.size() - p).bytes);
    }
    return last;
}

std::size_t LogText::nextCharacter(std::size_t pos) const
{
    if (pos >= text_.size())
        return text_.size();
    if (text_[pos] == '\r')
        return pos + 1 < text_.size() && text_[pos + 1] == '\n' ? pos + 2 : pos + 1;
    return pos + static_cast<std::size_t>(decodeGbkAt(text_.data() + pos, text_.size() - pos).bytes);
}

} // namespace dialog::qt
