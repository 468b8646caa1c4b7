#pragma once

#include "lut/cubelinescanner.h"
#include "lut/lutentry.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace CubrixUtils {

// Reads the entries of a 3D LUT text (.cube). Trimmed lines that are empty or start with
// "#", "TITLE", "DOMAIN_" or "LUT_" are passed over; any other line that splits on runs of
// white space into exactly three pieces is an entry (red, green, blue). The grid size is
// never taken from the text: callers count the entries.
class CubeEntryReader
{
public:
    // What a piece that is not a number does to its line.
    enum class UnreadablePiece {
        SkipLine,    // the whole line is dropped (binary image conversion)
        CountAsZero  // the piece reads as 0.0 and the line is kept (resampling)
    };

    // Why nextCandidate passed over a line.
    enum class SkipReason {
        Blank,         // empty after trimming
        Comment,       // starts with "#"
        Keyword,       // starts with "TITLE", "DOMAIN_" or "LUT_"
        NotThreePieces // anything else that does not split into exactly three pieces
    };
    // Told about every line nextCandidate passes over, in file order, with its number
    // (counting from 1) and its trimmed text. For tools that show what a file loses.
    using SkipObserver =
        std::function<void(int lineNumber, SkipReason reason, const CubeLineScanner::Line &line)>;

    // Walks the text; the text must outlive the reader.
    explicit CubeEntryReader(const QByteArray &text);

    void setSkipObserver(SkipObserver observer) { m_skipObserver = std::move(observer); }

    // Moves to the next line that may be an entry: not a keyword or comment line, and
    // exactly three pieces. False at the end of the text.
    bool nextCandidate();
    // Converts the current candidate's pieces. False when a piece is not a number; that
    // piece reads as 0.0. Callers that count every candidate as an entry (the resamplers)
    // only convert the entries they use.
    bool convert(LutEntry &entry) const;
    // Number of the current candidate's line, counting from 1.
    int lineNumber() const { return m_scanner.lineNumber(); }
    // The current candidate's three pieces (red, green, blue), as they stand in the text.
    const CubeLineScanner::Line &piece(int index) const { return m_pieces[index]; }

    // Reads entries in file order. With maxEntries >= 0 reading stops once that many are
    // held, since callers ignore anything beyond a full grid.
    static std::vector<LutEntry> read(const QByteArray &text, UnreadablePiece rule,
                                      int maxEntries = -1);

    // A number is an optional sign, digits with an optional point (".5" and "5." included)
    // and an optional exponent, converted to the nearest float. Anything else is refused:
    // hexadecimal, comma decimals, "inf" and "nan" (a LUT value must be finite to be coded
    // or written), and values that overflow or underflow the float range.
    static bool toFloat(const char *begin, const char *end, float &value);

private:
    CubeLineScanner m_scanner;
    CubeLineScanner::Line m_pieces[3];
    SkipObserver m_skipObserver;
};

} // namespace CubrixUtils
