#include "cliarguments.h"

#include <cstring>

bool CliArguments::takeFlag(const QString &name)
{
    const QString option = QStringLiteral("--") + name;
    bool found = false;
    for (int i = 0; i < m_words.size();) {
        if (m_words.at(i) == option) {
            m_words.removeAt(i);
            found = true;
        } else if (m_words.at(i).startsWith(option + QLatin1Char('='))) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("%1 takes no value").arg(option);
            m_words.removeAt(i);
        } else {
            ++i;
        }
    }
    return found;
}

std::optional<QString> CliArguments::takeValue(const QString &name)
{
    const QString option = QStringLiteral("--") + name;
    std::optional<QString> value;
    for (int i = 0; i < m_words.size();) {
        const QString &word = m_words.at(i);
        if (word == option) {
            if (i + 1 >= m_words.size()) {
                if (m_error.isEmpty())
                    m_error = QStringLiteral("%1 needs a value").arg(option);
                m_words.removeAt(i);
                return std::nullopt;
            }
            value = m_words.at(i + 1);
            m_words.removeAt(i);
            m_words.removeAt(i);
        } else if (word.startsWith(option + QLatin1Char('='))) {
            value = word.mid(option.size() + 1);
            m_words.removeAt(i);
        } else {
            ++i;
        }
    }
    return value;
}

QString CliArguments::takeWord()
{
    if (m_words.isEmpty() || m_words.first().startsWith(QLatin1String("--")))
        return QString();
    return m_words.takeFirst();
}

bool CliArguments::checkNothingLeft()
{
    if (!m_error.isEmpty())
        return false;
    if (m_words.isEmpty())
        return true;
    const QString &word = m_words.first();
    m_error = word.startsWith(QLatin1String("--")) ? QStringLiteral("unknown option %1").arg(word)
                                                  : QStringLiteral("unexpected argument '%1'").arg(word);
    return false;
}

bool CliArguments::hasHelp() const
{
    return m_words.contains(QStringLiteral("--help")) || m_words.contains(QStringLiteral("-h"));
}

std::optional<int> CliArguments::toInt(const QString &text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

const char *CliArguments::commandWord(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") != 0 && std::strncmp(argv[i], "--verbose=", 10) != 0)
            return argv[i];
    }
    return "";
}
