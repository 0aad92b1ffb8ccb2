#include "XmlStream.h"

#include "platform/LargeBlock.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// The part's blocks in order, inflated ahead on a thread of its own when one is to be had.
// The blocks are the same few, taken over again and again: memory first touched costs a
// page fault a page, more than the inflating into it.
class XmlStream::Blocks
{
public:
    Blocks(Read read, bool threaded) : m_read(std::move(read))
    {
        if (!threaded) {
            // A small part: one block, whose pages are touched as far as the part goes.
            m_single = std::make_unique<char[]>(size_t(kBlockSize));
            return;
        }
        // Each block in turn: filling, waiting (up to kAhead), read. All in one large
        // page, faulted in once.
        m_memory = LargeBlock(size_t(kSlots * kBlockSize));
        for (qsizetype i = 0; i < kSlots; ++i)
            m_free.push_back(m_memory.data() + i * kBlockSize);
        try {
            m_thread = std::thread([this] { produce(); });
        } catch (const std::system_error &) {
            // No thread to be had: read each block when it is wanted.
        }
    }
    ~Blocks()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Gives back a used block and takes the next one: false at the end of the part.
    bool next(Block &block)
    {
        if (!m_thread.joinable()) {
            if (!block.data)
                block.data = m_single ? m_single.get() : m_free.back();
            return fill(block);
        }
        std::unique_lock lock(m_mutex);
        if (block.data)
            m_free.push_back(std::exchange(block.data, nullptr));
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_full.empty() || m_done; });
        if (!m_full.empty()) {
            block = m_full.front();
            m_full.pop_front();
            m_changed.notify_all();
            return true;
        }
        if (m_error)
            std::rethrow_exception(m_error);
        return false;
    }

private:
    static constexpr size_t kAhead = 3;
    // Waiting, filling and being read.
    static constexpr qsizetype kSlots = qsizetype(kAhead) + 2;

    bool fill(Block &block)
    {
        block.size = m_read(block.data, kBlockSize);
        return block.size > 0;
    }

    void produce()
    {
        for (;;) {
            Block block;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(
                    lock, [&] { return m_stop || (m_full.size() < kAhead && !m_free.empty()); });
                if (m_stop)
                    return;
                block.data = m_free.back();
                m_free.pop_back();
            }
            bool more = false;
            std::exception_ptr error;
            try {
                more = fill(block);
            } catch (...) {
                error = std::current_exception();
            }
            std::lock_guard lock(m_mutex);
            if (more) {
                m_full.push_back(block);
            } else {
                m_free.push_back(block.data);
                m_error = error;
                m_done = true;
            }
            m_changed.notify_all();
            if (!more)
                return;
        }
    }

    Read m_read;
    LargeBlock m_memory;
    std::unique_ptr<char[]> m_single;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_full;
    std::vector<char *> m_free;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_error;
};

XmlStream::XmlStream(Read read, qint64 size, qsizetype pieceSize)
    : m_blocks(std::make_unique<Blocks>(std::move(read), size > 2 * kBlockSize)),
      m_pieceSize(std::max<qsizetype>(1, pieceSize)),
      m_parser(XmlPullParser::firstPiece(QByteArrayView(), false))
{
    // The unread rest of a piece and the next: room enough for all but the longest tokens.
    m_text.reserve(qsizetype(std::min<qint64>(size, kBlockSize)) + 2 * m_pieceSize);
}

XmlStream::~XmlStream() = default;

bool XmlStream::appendPiece()
{
    while (m_blockUsed == m_block.size) {
        if (!m_blocks->next(m_block))
            return false;
        m_blockUsed = 0;
    }
    const qsizetype piece = std::min(m_pieceSize, m_block.size - m_blockUsed);
    m_text.append(m_block.data + m_blockUsed, piece);
    m_blockUsed += piece;
    return true;
}

void XmlStream::readMore(const XmlPullParser::Mark &mark)
{
    // The unread rest moves to the front of the same memory, rather than the text moving
    // to fresh memory as it grows.
    if (mark.position > 0) {
        const qsizetype rest = m_text.size() - mark.position;
        char *const text = m_text.data();
        std::memmove(text, text + mark.position, size_t(rest));
        m_text.resize(rest);
    }
    // A token longer than all the text held doubles what is held before it is tried
    // again, so a long one is not scanned over and over.
    const qsizetype wanted = mark.position == 0 ? std::max<qsizetype>(2 * m_text.size(), 1) : 1;
    const qsizetype before = m_text.size();
    bool more = true;
    while (more && (m_text.size() - before < wanted || (!m_started && m_text.size() < 3)))
        more = appendPiece();
    if (!m_started) {
        m_started = true;
        if (m_text.startsWith("\xEF\xBB\xBF"))
            m_text.remove(0, 3);
    }
    XmlPullParser::Mark rest = mark;
    rest.position = 0;
    m_parser.resume(m_text, rest, !more);
}
