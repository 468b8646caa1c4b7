// One line per measured figure, in a form scripts/bench.sh gathers into its table:
//   BENCH<TAB>name<TAB>figure<TAB>unit<TAB>target<TAB>below|above
// "below": the figure must not exceed the target; "above": it must reach it. Benchmarks print
// their own human-readable details beside these lines.
#pragma once

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace Bench {

enum class Goal { Below, Above };

inline void result(const char *name, double figure, const char *unit, double target, Goal goal)
{
    std::printf("BENCH\t%s\t%.4f\t%s\t%.4f\t%s\n", name, figure, unit, target,
                goal == Goal::Below ? "below" : "above");
    std::fflush(stdout);
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// A field of /proc/<pid>/status in bytes ("VmRSS", "VmHWM"), of this process by default; 0
// where there is none.
inline qint64 statusBytes(const char *field, qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// Starts a new peak: the kernel sets the high-water mark back to the current resident size.
inline bool resetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

} // namespace Bench
