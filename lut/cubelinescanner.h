#pragma once

#include <QByteArray>

namespace CubrixUtils {

// Walks a .cube text line by line without copying it. Lines end in "\n"; a "\r" before it,
// like any other leading or trailing white space, is trimmed away. White space is the ASCII
// set (space, tab, line feed, vertical tab, form feed, carriage return): LUT files are ASCII.
// A byte-order mark at the very start of the text is not part of the first line.
class CubeLineScanner
{
public:
    // A view into the scanned text; valid as long as the QByteArray it came from.
    struct Line
    {
        const char *begin = nullptr;
        const char *end = nullptr;

        int size() const { return int(end - begin); }
        bool isEmpty() const { return begin == end; }
        bool startsWith(const char *prefix) const;
        bool equals(const char *text) const;
    };

    explicit CubeLineScanner(const QByteArray &text);

    // Gives the next trimmed line; false at the end of the text.
    bool next(Line &line);
    // Number of the line the last next() gave, counting from 1 (0 before the first).
    int lineNumber() const { return m_lineNumber; }

    static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    // Where the text of a file starting at `begin` begins: after the UTF-8 byte-order mark that
    // some editors put first, which would otherwise hide the first line's keyword.
    static const char *afterByteOrderMark(const char *begin, const char *end);

private:
    const char *m_position;
    const char *m_end;
    int m_lineNumber = 0;
};

} // namespace CubrixUtils
