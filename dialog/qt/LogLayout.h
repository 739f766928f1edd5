#pragma once
// The rows of a receive view: each paragraph of its text wrapped at a
// width, in the advances of one font, and the byte offsets of what each
// row shows. No widget: units are measured through a function, from the
// view's font (FontGlyphs) or from any other.

#include "dialog/qt/LogText.h"

#include <QFont>
#include <QRawFont>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dialog::qt {

class LogLayout {
public:
    struct Row {
        std::size_t start; // bytes, in the text
        std::size_t end;   // without the line break
        QString shown;
        std::vector<int> byteAt; // of each UTF-16 unit, and of the end
    };
    // How a UTF-16 unit shows in the font.
    struct Glyph {
        quint32 index;
        float advance;
    };
    static constexpr quint32 kMissing = 0xFFFFFFFE; // the font lacks it
    static constexpr quint32 kNoGlyph = 0xFFFFFFFD; // nothing to draw
    /// A printable unit's glyph, or kMissing and what a fallback font
    /// gives it. Asked once per unit until forgetGlyphs().
    using Measure = std::function<Glyph(char16_t unit)>;

    LogLayout(const LogText& text, Measure measure);

    /// The width rows are filled to; not positive (at first) means one
    /// row per paragraph.
    qreal width() const { return width_; }
    /// Rows wrap at width from now on; the text's rows are then to be
    /// counted again with rowCounter().
    void setWidth(qreal width);
    /// The font changed.
    void forgetGlyphs();

    const Glyph& glyphOf(char16_t unit);
    /// How far a unit at x moves the pen (a tab to the next stop).
    qreal widthAt(char16_t unit, qreal x);
    /// The x of each unit's left edge and of the row's end.
    std::vector<qreal> edgesOf(const QString& shown);
    /// The rows shown takes; given starts, where each starts in shown.
    int wrapRows(const QString& shown, std::vector<int>* starts);
    LogText::RowCounter rowCounter();

    /// Valid until the next call.
    const std::vector<Row>& rowsOfParagraph(std::size_t i);
    /// The row of the text that shows pos; given x, its x in the row.
    std::int64_t rowOfPosition(std::size_t pos, int* x = nullptr);
    /// The position nearest to x in row (clamped to the text's rows).
    std::size_t positionAtRow(std::int64_t row, qreal x);

    /// The row of rows that holds pos; at a wrap, the row it starts.
    static std::size_t rowHolding(const std::vector<Row>& rows, std::size_t pos);
    /// The UTF-16 index in row of byte position pos.
    static int indexInRow(const Row& row, std::size_t pos);

private:
    void appendRows(std::vector<Row>& rows, std::size_t start, std::size_t end);

    static constexpr quint32 kUnmeasured = 0xFFFFFFFF;
    const LogText& text_;
    Measure measure_;
    qreal width_ = -1;
    unsigned generation_ = 0;   // counts the times every paragraph was laid out again
    std::vector<Glyph> glyphs_; // by UTF-16 unit, measured when first met
    // The rows of the paragraph asked for last.
    struct RowCache {
        std::size_t start = std::string::npos;
        unsigned generation = 0;
        std::string bytes;
        std::vector<Row> rows;
    };
    RowCache rowCache_;
};

/// The glyphs of a font as a view draws them: the raw font's, or, for a
/// character it lacks, the advance of whatever font Qt falls back to.
class FontGlyphs {
public:
    explicit FontGlyphs(std::function<QFont()> font) : font_(std::move(font)) {}

    LogLayout::Glyph measure(char16_t unit);
    /// The font changed: the raw font is made again at the next measure.
    void forget() { made_ = false; }
    const QRawFont& rawFont() const { return raw_; }

private:
    std::function<QFont()> font_;
    QRawFont raw_;
    bool made_ = false;
};

} // namespace dialog::qt
