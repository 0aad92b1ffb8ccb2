#include "PagePipeline.h"

#include "PageSplitter.h"
#include "PdfError.h"

#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace PagePipeline {

namespace {

struct Chunk
{
    int first;
    int count;
    QByteArray pdf;
};

class Pipeline
{
public:
    Pipeline(int pageCount, int workers)
        : m_count(pageCount), m_workers(workers), m_files(static_cast<size_t>(pageCount))
    {
    }

    void publish(Chunk chunk)
    {
        const std::lock_guard lock(m_mutex);
        m_published = chunk.first + chunk.count;
        m_chunks.push_back(std::make_shared<const Chunk>(std::move(chunk)));
        m_changed.notify_all();
    }

    // The next page's file when it is ready; waits for it only when asked to.
    std::optional<QByteArray> take(bool wait)
    {
        std::unique_lock lock(m_mutex);
        if (wait)
            m_changed.wait(lock, [&] { return m_files[size_t(m_taken)].has_value() || m_failure; });
        if (!m_files[size_t(m_taken)]) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return std::nullopt;
        }
        QByteArray file = std::move(*m_files[size_t(m_taken)]);
        m_files[size_t(m_taken)].reset();
        ++m_taken;
        m_changed.notify_all();
        return file;
    }
    int taken() const { return m_taken; }

    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    }

    void work()
    {
        try {
            std::shared_ptr<const Chunk> chunk;
            std::unique_ptr<PageSplitter> splitter;
            for (;;) {
                int page = 0;
                {
                    std::unique_lock lock(m_mutex);
                    // A few pages ahead of the writer at most, so memory stays small.
                    m_changed.wait(lock, [&] {
                        return m_stop || m_next >= m_count ||
                               (m_next < m_published && m_next < m_taken + 4 * m_workers);
                    });
                    if (m_stop || m_next >= m_count)
                        return;
                    page = m_next++;
                    if (!chunk || page >= chunk->first + chunk->count) {
                        chunk = *std::find_if(m_chunks.begin(), m_chunks.end(), [&](const auto &c) {
                            return page >= c->first && page < c->first + c->count;
                        });
                        splitter.reset();
                    }
                }
                if (!splitter)
                    splitter = PageSplitter::open(chunk->pdf);
                QByteArray file;
                try {
                    file = splitter->page(page - chunk->first);
                } catch (const std::runtime_error &e) {
                    throw PdfError(QString::fromUtf8(e.what()));
                }
                const std::lock_guard lock(m_mutex);
                m_files[size_t(page)] = std::move(file);
                m_changed.notify_all();
            }
        } catch (...) {
            const std::lock_guard lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            m_stop = true;
            m_changed.notify_all();
        }
    }

private:
    const int m_count;
    const int m_workers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<const Chunk>> m_chunks;
    std::vector<std::optional<QByteArray>> m_files;
    int m_published = 0; // pages in published chunks
    int m_next = 0;      // the next page to cut
    int m_taken = 0;     // pages handed to the caller
    bool m_stop = false;
    std::exception_ptr m_failure;
};

} // namespace

void run(int pageCount, const DrawChunk &draw, const TakePage &take)
{
    if (pageCount <= 0)
        return;
    const int workers = std::clamp(QThread::idealThreadCount(), 1, pageCount);
    // Chunks small enough that cutting starts soon, large enough that building each one's
    // fonts stays a small share of the work.
    const int chunkSize = std::max(50, pageCount / 8);
    Pipeline pipeline(pageCount, workers);
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([&pipeline] { pipeline.work(); });
    const auto joinAll = qScopeGuard([&] {
        pipeline.stop();
        for (std::thread &thread : threads)
            thread.join();
    });
    auto takeReady = [&](bool wait) {
        while (pipeline.taken() < pageCount) {
            const int page = pipeline.taken();
            std::optional<QByteArray> file = pipeline.take(wait);
            if (!file)
                return;
            take(page, *file);
        }
    };
    for (int first = 0; first < pageCount; first += chunkSize) {
        const int count = std::min(chunkSize, pageCount - first);
        pipeline.publish({first, count, draw(first, count)});
        takeReady(false);
    }
    takeReady(true);
}

} // namespace PagePipeline
