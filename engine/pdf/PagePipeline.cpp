#include "PagePipeline.h"

#include "PageSplitter.h"
#include "PdfError.h"

#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <malloc.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace PagePipeline {

namespace {

struct Chunk
{
    int first;
    int count;
    QByteArray pdf;
    int uncut = count; // pages not yet cut; guarded by the pipeline's mutex
};

class Pipeline
{
public:
    static constexpr int kPagesAhead = 120;

    Pipeline(int pageCount, const QStringList &titles)
        : m_count(pageCount), m_titles(titles), m_files(static_cast<size_t>(pageCount))
    {
    }

    void publish(Chunk chunk)
    {
        const std::lock_guard lock(m_mutex);
        m_published = chunk.first + chunk.count;
        m_chunks.push_back(std::make_shared<Chunk>(std::move(chunk)));
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
    // Waits until fewer chunks than 'limit' are in work or the next page is ready to take.
    void waitForRoom(int limit)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return int(m_chunks.size()) < limit || m_failure ||
                   (m_taken < m_count && m_files[size_t(m_taken)].has_value());
        });
        if (m_failure)
            std::rethrow_exception(m_failure);
    }
    // Chunks drawn and not yet wholly cut.
    int liveChunks()
    {
        const std::lock_guard lock(m_mutex);
        return int(m_chunks.size());
    }

    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    }

    // What one thread keeps between the pages it cuts: the chunk and its parsed document.
    struct Cutter
    {
        std::shared_ptr<Chunk> chunk;
        std::unique_ptr<PageSplitter> splitter;
    };

    // Cuts the next page: false when all are taken by cutters, or, unless asked to wait,
    // when none is ready to cut.
    bool cutNext(Cutter &cutter, bool wait)
    {
        int page = 0;
        {
            std::unique_lock lock(m_mutex);
            // Some way ahead of the writer, which takes pages only between chunks it draws:
            // far enough that the cutting goes on while a chunk is drawn, near enough that
            // memory holds a few megabytes of pages.
            auto ready = [&] { return m_next < m_published && m_next < m_taken + kPagesAhead; };
            if (wait)
                m_changed.wait(lock, [&] { return m_stop || m_next >= m_count || ready(); });
            if (m_stop || m_next >= m_count || !ready())
                return false;
            page = m_next++;
            if (!cutter.chunk || page >= cutter.chunk->first + cutter.chunk->count) {
                cutter.chunk = *std::find_if(m_chunks.begin(), m_chunks.end(), [&](const auto &c) {
                    return page >= c->first && page < c->first + c->count;
                });
                cutter.splitter.reset();
            }
        }
        const std::shared_ptr<Chunk> chunk = cutter.chunk;
        if (!cutter.splitter)
            cutter.splitter = PageSplitter::open(chunk->pdf);
        QByteArray file;
        try {
            file = cutter.splitter->page(page - chunk->first, m_titles.value(page));
        } catch (const std::runtime_error &e) {
            throw PdfError(QString::fromUtf8(e.what()));
        }
        bool chunkTaken = false;
        {
            const std::lock_guard lock(m_mutex);
            m_files[size_t(page)] = std::move(file);
            // A chunk's document goes once its last page is cut, so memory holds only the
            // chunks in work, however long the run.
            if (--chunk->uncut == 0)
                std::erase(m_chunks, chunk);
            chunkTaken = m_next >= chunk->first + chunk->count;
            m_changed.notify_all();
        }
        if (chunkTaken) { // no page of it is left for this thread
            cutter = {};
            // The chunk's parsed document was large and is gone: hand its pages back to the
            // system, or this thread's heap keeps them for the whole run.
            malloc_trim(0);
        }
        return true;
    }

    void work()
    {
        try {
            Cutter cutter;
            while (cutNext(cutter, true)) {
            }
        } catch (...) {
            fail();
        }
    }

    void fail()
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure)
            m_failure = std::current_exception();
        m_stop = true;
        m_changed.notify_all();
    }

private:
    const int m_count;
    const QStringList &m_titles; // read by every thread, changed by none
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Chunk>> m_chunks;
    std::vector<std::optional<QByteArray>> m_files;
    int m_published = 0; // pages in published chunks
    int m_next = 0;      // the next page to cut
    int m_taken = 0;     // pages handed to the caller
    bool m_stop = false;
    std::exception_ptr m_failure;
};

} // namespace

void run(int pageCount, const DrawChunk &draw, const TakePage &take, const QStringList &titles)
{
    if (pageCount <= 0)
        return;
    const int workers = std::clamp(QThread::idealThreadCount(), 1, pageCount);
    // Chunks small enough that cutting starts soon and memory stays small, large enough that
    // building each one's fonts stays a small share of the work.
    const int chunkSize = std::clamp(pageCount / 8, 50, 100);
    Pipeline pipeline(pageCount, titles);
    std::vector<std::thread> threads;
    const auto joinAll = qScopeGuard([&] {
        pipeline.stop();
        for (std::thread &thread : threads)
            thread.join();
    });
    try {
        for (int i = 0; i < workers; ++i)
            threads.emplace_back([&pipeline] { pipeline.work(); });
    } catch (const std::system_error &e) {
        // With one thread the pages still get cut; with none there is no one to cut them.
        if (threads.empty())
            throw PdfError(
                QStringLiteral("无法启动逐页导出的线程：%1").arg(QString::fromLocal8Bit(e.what())));
    }
    // Takes the pages ready, in order. Waiting for them once all is drawn, the writer cuts
    // pages itself rather than idle.
    Pipeline::Cutter own;
    auto takeReady = [&](bool wait) {
        while (pipeline.taken() < pageCount) {
            const int page = pipeline.taken();
            std::optional<QByteArray> file = pipeline.take(false);
            if (!file && wait && pipeline.cutNext(own, false))
                continue;
            if (!file && wait)
                file = pipeline.take(true);
            if (!file)
                return;
            take(page, *file);
        }
    };
    for (int first = 0; first < pageCount;) {
        // A short first chunk, so that the cutting starts soon.
        const int count =
            std::min(first == 0 ? std::min(chunkSize, 20) : chunkSize, pageCount - first);
        // Drawing runs at most a chunk ahead of the cutting, so memory holds a few chunks;
        // meanwhile the writer takes the pages as they are cut.
        while (pipeline.liveChunks() >= 2) {
            takeReady(false);
            pipeline.waitForRoom(2);
        }
        pipeline.publish({first, count, draw(first, count)});
        takeReady(false);
        first += count;
    }
    takeReady(true);
}

} // namespace PagePipeline
