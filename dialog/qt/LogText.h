#pragma once
// The text of a receive view: the GBK bytes as the program gave them, kept
// once, their colours, and an index of paragraphs with the rows each takes
// at the view's width. A paragraph runs to a line break (CR LF, CR or LF)
// or, past a few kilobytes without one, to the next character, so that a
// long run without breaks is measured and drawn in pieces. Positions are
// byte offsets.

#include "dialog/GrowingBytes.h"

#include <QRgb>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dialog::qt {

class LogText {
public:
    struct Paragraph {
        std::size_t start;
        std::int64_t rowsEnd;     // rows of this and every earlier paragraph
        std::uint32_t characters; // its line break included
    };
    struct ColourRun {
        std::size_t start;
        QRgb colour;
    };
    /// The rows a paragraph's shown text takes; given lastRowStart, also
    /// where in shown its last row starts. Rows are filled greedily, so
    /// text added at the end moves no row start before it.
    using RowCounter = std::function<int(const QString& shown, int* lastRowStart)>;

    explicit LogText(QRgb colour);

    std::string_view bytes() const { return text_.view(); }
    std::size_t size() const { return text_.size(); }

    /// Replaces bytes [from, to) with gbk in colour; with resetColours the
    /// whole text is in colour. Only the paragraphs from the edit on are
    /// counted again, and of those only up to where the old ones resume.
    /// Returns the first row that may show something else.
    std::int64_t replace(std::size_t from, std::size_t to, const std::string& gbk, QRgb colour, bool resetColours,
                         const RowCounter& rows);
    /// Counts every paragraph's rows again (the width changed).
    void recount(const RowCounter& rows);
    /// The colour of an empty text.
    void setColourOfEmpty(QRgb colour);

    std::size_t paragraphCount() const { return paragraphs_.size(); }
    const Paragraph& paragraph(std::size_t i) const { return paragraphs_[i]; }
    std::size_t paragraphAt(std::size_t pos) const;
    /// The paragraph that holds row, or paragraphCount() past the end.
    std::size_t paragraphOfRow(std::int64_t row) const;
    std::size_t paragraphEnd(std::size_t i) const;
    /// Where paragraph i's line break starts, or its end.
    std::size_t contentEnd(std::size_t i) const;
    std::int64_t rowsBefore(std::size_t i) const { return i == 0 ? 0 : paragraphs_[i - 1].rowsEnd; }
    std::int64_t totalRows() const { return paragraphs_.back().rowsEnd; }

    /// Characters; a line break counts one.
    std::int64_t characters() const { return characters_; }
    /// Bytes [from, to) as shown, line breaks as LF.
    QString shownText(std::size_t from, std::size_t to) const;
    std::int64_t characterOfByte(std::size_t pos) const;
    std::size_t byteOfCharacter(std::int64_t index) const;

    QRgb colourAt(std::size_t pos) const;
    const std::vector<ColourRun>& colours() const { return colours_; }

    /// The character boundaries around pos; a CR LF is one character.
    std::size_t previousCharacter(std::size_t pos) const;
    std::size_t nextCharacter(std::size_t pos) const;

private:
    std::int64_t reindex(std::size_t editFrom, std::size_t editEndNew, std::ptrdiff_t delta, const RowCounter& rows);
    int rowsOf(std::size_t start, std::size_t end, const RowCounter& rows, std::size_t* lastRowStart = nullptr) const;

    GrowingBytes text_;
    // Never empty: the last may be empty. Hundreds of thousands after a
    // long run: kept in pieces, so that growing never copies them all.
    std::deque<Paragraph> paragraphs_;
    std::vector<ColourRun> colours_; // never empty, sorted by start
    std::int64_t characters_ = 0;
    // The last row of the text's last paragraph while nothing ends it: an
    // append counts the paragraph's rows again from there, not from its
    // start (a long run without line breaks grows a row at a time).
    struct OpenRow {
        std::size_t paragraphStart = std::string::npos;
        std::size_t start = 0;
        std::int64_t rowsBefore = 0; // the paragraph's rows above it
    };
    OpenRow openRow_;
};

} // namespace dialog::qt
