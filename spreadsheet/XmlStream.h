#pragma once
// An XML part read a piece at a time instead of whole: a large part is inflated on a thread
// of its own, a few blocks ahead of the parsing and no more, so the two overlap on two cores
// and memory holds a few blocks rather than the part. The caller parses in steps; a step
// that runs past the text read so far is taken again from its start once more has come, so
// where the pieces end never changes what is read.

#include "XmlPullParser.h"

#include <QByteArray>

#include <functional>
#include <memory>

class XmlStream
{
public:
    // Reads up to 'room' bytes of the part into 'into': 0 at its end. Throws on damage.
    using Read = std::function<qsizetype(char *into, qsizetype room)>;
    static constexpr qsizetype kBlockSize = 256 * 1024;

    // 'size' is the part's declared size: a small part is read on the caller's thread.
    // 'pieceSize' bounds what each step of the reading adds (tests place piece boundaries
    // with it).
    XmlStream(Read read, qint64 size, qsizetype pieceSize = kBlockSize);
    ~XmlStream();
    XmlStream(const XmlStream &) = delete;
    XmlStream &operator=(const XmlStream &) = delete;

    // Calls step(parser) until it returns false; a step must leave what it changes
    // untouched until it has read all it needs, since it may be run again.
    template <typename Step> void run(Step &&step)
    {
        for (;;) {
            const XmlPullParser::Mark mark = m_parser.mark();
            try {
                if (!step(m_parser))
                    return;
            } catch (const XmlPullParser::NeedMore &) {
                readMore(mark);
            }
        }
    }

private:
    class Blocks;
    struct Block
    {
        char *data = nullptr;
        qsizetype size = 0;
    };
    void readMore(const XmlPullParser::Mark &mark);
    // Appends the next piece to m_text: false at the end of the part.
    bool appendPiece();

    std::unique_ptr<Blocks> m_blocks;
    qsizetype m_pieceSize;
    Block m_block; // the block being handed out in pieces
    qsizetype m_blockUsed = 0;
    // The text the parser reads: the unread rest and what came after, in memory taken once.
    QByteArray m_text;
    XmlPullParser m_parser{QByteArrayView()};
    bool m_started = false;
};
