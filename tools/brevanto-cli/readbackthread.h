#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The second thread of a resampling. It first does a job of its own (checking the source), then
// reads the resampled text back from its file while the converting thread goes on writing it,
// a piece of whole lines at a time. The converting thread only says how many bytes it has
// written, so it never waits, and no copy of the text is kept in memory.
class ReadBackThread
{
public:
    using Piece = std::function<void(const QByteArray &piece)>;

    // Runs `first` on the new thread, then hands every piece read back from `path` to `piece`,
    // in file order.
    ReadBackThread(std::function<void()> first, QString path, Piece piece);
    ~ReadBackThread();
    ReadBackThread(const ReadBackThread &) = delete;
    ReadBackThread &operator=(const ReadBackThread &) = delete;

    // The next `bytes` bytes of the file (whole lines) have been written and flushed.
    void written(qint64 bytes);
    // Waits until `first` has run and every written piece is read back, and ends the thread.
    // An empty text, or why the file could not be read back.
    QString finish();

private:
    void run();

    std::function<void()> m_first;
    QString m_path;
    Piece m_piece;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<qint64> m_pending;
    bool m_finishing = false;
    QString m_error;
    std::thread m_thread;
};
