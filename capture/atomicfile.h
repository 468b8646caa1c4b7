#pragma once

#include <QString>
#include <functional>

class QIODevice;

// Writes a file beside its final name and renames it into place only once every byte is on
// disk, so a killed program or a full disk never leaves a truncated file that looks like a
// capture. A new file gets the usual 0666 less the umask; a replaced file keeps its own.
class AtomicFile
{
public:
    // `fill` writes the content and says whether it succeeded. False when the file could not
    // be created, filled or renamed; then nothing is left under either name.
    static bool write(const QString &path, const std::function<bool(QIODevice &)> &fill);
};
