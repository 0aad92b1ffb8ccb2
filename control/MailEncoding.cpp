#include "MailEncoding.h"

#include "platform/Exception.h"

#include <QRegularExpression>

namespace {

constexpr int kLineLimit = 78; // RFC 5322's recommended limit, CRLF not counted
constexpr int kWordLimit = 75; // RFC 2047's limit on one encoded-word
constexpr int kBodyLimit = 76; // base64 and quoted-printable lines
const QByteArray kCrlf("\r\n");

bool plainAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    // An ASCII text that looks like an encoded-word would be decoded by the reader, and
    // spaces that folding would not keep are kept inside encoded-words.
    return !text.contains(QStringLiteral("=?")) && !text.contains(QStringLiteral("  ")) &&
           !text.startsWith(QLatin1Char(' ')) && !text.endsWith(QLatin1Char(' '));
}

// Builds one header field, breaking lines between tokens before they pass 78 columns.
class Folder
{
public:
    explicit Folder(const QByteArray &name) : m_out(name + ':'), m_line(int(m_out.size())) {}

    void token(const QByteArray &text)
    {
        // Never a break straight after the name: readers take the fold for part of the
        // value, and the subject shows with a leading space.
        if (m_line + 1 + text.size() > kLineLimit && m_tokens > 0) {
            m_out += kCrlf;
            m_line = 0;
        }
        m_out += ' ' + text;
        m_line += 1 + int(text.size());
        ++m_tokens;
    }

    void plainWords(const QString &text)
    {
        for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            token(word.toLatin1());
    }

    // Whole characters per word, so that no reader has to join bytes across words; the
    // first word takes what room is left on the current line.
    void encodedWords(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        qsizetype start = 0;
        while (start < utf8.size()) {
            int room = std::min(kWordLimit, kLineLimit - m_line - 1);
            // A short rest goes whole onto the next line rather than split across two words:
            // some readers put a space between the words of a name.
            const bool restFitsOneWord = (utf8.size() - start) <= (kWordLimit - 12) / 4 * 3;
            const bool restFitsHere = 12 + (utf8.size() - start + 2) / 3 * 4 <= room;
            if (m_tokens > 0 && (room < 16 || (restFitsOneWord && !restFitsHere))) {
                m_out += kCrlf;
                m_line = 0;
                room = kWordLimit;
            }
            const qsizetype maxBytes = (room - 12) / 4 * 3;
            qsizetype end = start;
            while (end < utf8.size()) {
                qsizetype next = end + 1;
                while (next < utf8.size() && (uchar(utf8[next]) & 0xc0) == 0x80)
                    ++next;
                if (next - start > maxBytes)
                    break;
                end = next;
            }
            token("=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=");
            start = end;
        }
    }

    void text(const QString &value)
    {
        if (plainAscii(value))
            plainWords(value);
        else
            encodedWords(value);
    }

    void appendToLast(char c)
    {
        m_out += c;
        ++m_line;
    }

    QByteArray done() const { return m_out + kCrlf; }

private:
    QByteArray m_out;
    int m_line;
    int m_tokens = 0;
};

QString withoutControls(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return text;
}

QByteArray quoted(const QString &ascii)
{
    QByteArray out = ascii.toLatin1();
    out.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + out + '"';
}

// "=XX" for quoted-printable, "%XX" for RFC 2231.
QByteArray escaped(char mark, uchar c)
{
    static const char hex[] = "0123456789ABCDEF";
    const char out[] = {mark, hex[c >> 4], hex[c & 15]};
    return QByteArray(out, 3);
}

// RFC 2231's attribute-char: everything else is percent-encoded.
bool attributeChar(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArray("!#$&+-.^_`|~").contains(char(c));
}

// For readers without RFC 2231: the ASCII of the name, every run of other characters as "_".
QString asciiFallback(const QString &fileName)
{
    QString out;
    for (const QChar c : fileName) {
        const bool keep = c.unicode() >= 0x20 && c.unicode() < 0x7f && c != QLatin1Char('"') &&
                          c != QLatin1Char('\\') && c != QLatin1Char('/');
        if (keep)
            out += c;
        else if (!out.endsWith(QLatin1Char('_')))
            out += QLatin1Char('_');
    }
    return out.isEmpty() ? QStringLiteral("attachment") : out;
}

} // namespace

namespace MailEncoding {

QByteArray header(const QByteArray &name, const QString &value)
{
    Folder folder(name);
    folder.text(withoutControls(value));
    return folder.done();
}

QByteArray addressHeader(const QByteArray &name, const QList<QPair<QString, QString>> &mailboxes)
{
    Folder folder(name);
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        const QString display = withoutControls(mailboxes[i].first);
        if (!display.isEmpty() && plainAscii(display))
            folder.token(quoted(display));
        else if (!display.isEmpty())
            folder.encodedWords(display);
        folder.token('<' + mailboxes[i].second.toLatin1() + '>');
        if (i + 1 < mailboxes.size())
            folder.appendToLast(',');
    }
    return folder.done();
}

QByteArray quotedPrintable(const QString &text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QByteArray out;
    for (const QString &line : normal.split(QLatin1Char('\n'))) {
        const QByteArray bytes = line.toUtf8();
        int column = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const uchar c = uchar(bytes[i]);
            const bool last = i + 1 == bytes.size();
            const bool literal =
                (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
            const QByteArray piece = literal ? QByteArray(1, char(c)) : escaped('=', c);
            // The soft break "=" takes a column of its own.
            if (column + piece.size() > kBodyLimit - 1) {
                out += "=\r\n";
                column = 0;
            }
            out += piece;
            column += int(piece.size());
        }
        out += kCrlf;
    }
    return out;
}

QByteArray base64Lines(const QByteArray &data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / kBodyLimit * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += kBodyLimit) {
        out.append(encoded.constData() + i, std::min<qsizetype>(kBodyLimit, encoded.size() - i));
        out.append(kCrlf);
    }
    return out;
}

QByteArray attachmentHeaders(const QString &fileName, const QString &mimeType)
{
    static const QRegularExpression token(QStringLiteral("^[A-Za-z0-9.+-]+/[A-Za-z0-9.+-]+$"));
    if (!token.match(mimeType).hasMatch())
        throw Exception(QStringLiteral("附件类型“%1”无效").arg(mimeType));
    const QByteArray fallback = quoted(asciiFallback(fileName));
    QByteArray out = "Content-Type: " + mimeType.toLatin1() + "; name=" + fallback + kCrlf +
                     "Content-Transfer-Encoding: base64" + kCrlf +
                     "Content-Disposition: attachment;";
    if (fileName == asciiFallback(fileName))
        return out + " filename=" + fallback + kCrlf;
    QByteArray encoded;
    for (const char ch : fileName.toUtf8()) {
        const uchar c = uchar(ch);
        encoded += attributeChar(c) ? QByteArray(1, ch) : escaped('%', c);
    }
    // The RFC 2231 name comes first: some readers (Python's among them) take the first
    // name they find, and the plain one is only for readers that know no other.
    const QByteArray single = " filename*=UTF-8''" + encoded + ';';
    if (single.size() <= kLineLimit) {
        out += kCrlf + single;
    } else {
        // Long names go in numbered sections, never splitting a %XX.
        constexpr int kSection = 48;
        int index = 0;
        for (qsizetype start = 0; start < encoded.size(); ++index) {
            qsizetype end = std::min(encoded.size(), start + kSection);
            if (end < encoded.size() && encoded[end - 1] == '%')
                end -= 1;
            else if (end < encoded.size() && end >= 2 && encoded[end - 2] == '%')
                end -= 2;
            out += kCrlf + " filename*" + QByteArray::number(index) +
                   "*=" + (index == 0 ? "UTF-8''" : "") + encoded.mid(start, end - start) + ';';
            start = end;
        }
    }
    return out + kCrlf + " filename=" + fallback + kCrlf;
}

} // namespace MailEncoding
