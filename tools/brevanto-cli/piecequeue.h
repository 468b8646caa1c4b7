#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Hands pieces of a text being made to a second thread, which consumes them (writes them out,
// reads them back) while the first makes the next piece. The few piece buffers are reused, so
// that a long text needs no more fresh memory than a short one.
class PieceQueue
{
public:
    // Consumes one piece; an empty text, or why it failed (then no further piece is consumed).
    using Consume = std::function<QString(const QByteArray &piece)>;

    explicit PieceQueue(Consume consume);
    ~PieceQueue();
    PieceQueue(const PieceQueue &) = delete;
    PieceQueue &operator=(const PieceQueue &) = delete;

    // Queues a copy of `piece`, waiting while the consumer is several pieces behind. False once
    // consuming has failed.
    bool push(const QByteArray &piece);
    // Waits until every queued piece is consumed and ends the second thread; the first failure,
    // or an empty text.
    QString finish();

private:
    void consumeAll();

    static constexpr std::size_t MaxQueued = 3;

    Consume m_consume;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queued;
    std::vector<QByteArray> m_spare; // consumed buffers, for the next pieces
    bool m_finishing = false;
    QString m_error;
    std::thread m_thread;
};
