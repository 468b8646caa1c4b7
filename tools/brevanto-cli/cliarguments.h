#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The words of one command line after the subcommand names. Each subcommand takes the options
// it knows; whatever is left over afterwards is an error the user is told about. Options are
// "--name value" or "--name=value", and may stand anywhere among the other words.
class CliArguments
{
public:
    explicit CliArguments(QStringList words) : m_words(std::move(words)) {}

    // True (and removed) when --name is present without a value.
    bool takeFlag(const QString &name);
    // The value of --name (removed), nullopt when absent. A missing value is an error.
    std::optional<QString> takeValue(const QString &name);
    // The first word, removed; empty when none is left or the next word is an option.
    QString takeWord();
    QStringList remaining() const { return m_words; }
    // What is wrong with the words taken so far, or an empty text.
    QString error() const { return m_error; }
    // Fails with a message naming the first word no subcommand took.
    bool checkNothingLeft();

    bool hasHelp() const;

    // The command word of a raw command line, before any application object exists: the first
    // argument other than the --verbose flag (which takeFlag removes wherever it stands).
    // Empty when there is none.
    static const char *commandWord(int argc, char **argv);

    // Number parsing shared by the subcommands.
    static std::optional<int> toInt(const QString &text, int minimum, int maximum);

private:
    QStringList m_words;
    QString m_error;
};

// How the tool ends.
enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1, // the work failed: a device, a file or a check
    ExitUsage = 2    // the command line is wrong
};
