#pragma once

#include <QString>
#include <QStringList>

// Where the tool's own lines go (results on standard output, errors and progress on standard
// error) and what happens to the shared classes' log lines: kept out of the way unless
// --verbose is given, and collected while a Capture lives so that a refused operation can say
// why.
class Console
{
public:
    static void installMessageHandler();
    static void setVerbose(bool verbose);
    static bool isVerbose();

    static void out(const QString &text);
    static void err(const QString &text);

    // Collects the library's log lines logged while it lives (nested captures each see them).
    class Capture
    {
    public:
        Capture();
        ~Capture();
        Capture(const Capture &) = delete;
        Capture &operator=(const Capture &) = delete;

        // Warning and critical lines.
        QStringList warnings() const { return m_warnings; }
        // Every line, debug included.
        QStringList lines() const { return m_lines; }
        // The warnings, or when there are none the debug lines that explain a refusal.
        QString reason() const;

    private:
        friend class Console;
        QStringList m_warnings;
        QStringList m_lines;
        Capture *m_outer;
    };
};
