#pragma once

#include <QByteArray>
#include <QString>

// A local file read whole, for the uploads that carry a file as one payload.
struct WholeFile {
    enum Status { Read, NotOpened, NotRead };
    Status status = NotOpened;
    QByteArray data; // empty unless Read
    bool ok() const { return status == Read; }
};

// An empty path is not opened (and draws no Qt warning about a missing file name). A read that
// fails part-way gives no data: a partial table or image must never go out as the whole.
WholeFile readWholeFile(const QString &path);
