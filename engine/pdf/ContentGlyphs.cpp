#include "ContentGlyphs.h"

#include <vector>

namespace ContentGlyphs {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool isDelimiter(char c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Operand
{
    enum Kind
    {
        Name,
        String,
        ArrayStart,
        Other
    } kind;
    QByteArray bytes;
};

class Scanner
{
public:
    explicit Scanner(QByteArrayView data) : m_data(data) {}

    std::map<QByteArray, QList<quint16>> run()
    {
        while (skipSpace()) {
            const char c = m_data[m_pos];
            if (c == '(') {
                m_operands.push_back({Operand::String, literalString()});
            } else if (c == '<' && peek(1) == '<') {
                m_pos += 2;
            } else if (c == '<') {
                m_operands.push_back({Operand::String, hexString()});
            } else if (c == '>') {
                m_pos += peek(1) == '>' ? 2 : 1;
            } else if (c == '[') {
                ++m_pos;
                m_operands.push_back({Operand::ArrayStart, {}});
            } else if (c == ']' || c == '{' || c == '}' || c == ')') {
                ++m_pos;
            } else if (c == '/') {
                ++m_pos;
                m_operands.push_back({Operand::Name, regular().toByteArray()});
            } else {
                const QByteArrayView word = regular();
                if (word.isEmpty())
                    ++m_pos; // a stray character
                else if ((word[0] >= '0' && word[0] <= '9') || word[0] == '-' || word[0] == '+' ||
                         word[0] == '.')
                    m_operands.push_back({Operand::Other, {}});
                else
                    apply(word);
            }
        }
        return std::move(m_glyphs);
    }

private:
    char peek(qsizetype ahead) const
    {
        return m_pos + ahead < m_data.size() ? m_data[m_pos + ahead] : '\0';
    }

    // Skips white space and comments; false at the end.
    bool skipSpace()
    {
        while (m_pos < m_data.size()) {
            if (isSpace(m_data[m_pos])) {
                ++m_pos;
            } else if (m_data[m_pos] == '%') {
                while (m_pos < m_data.size() && m_data[m_pos] != '\n' && m_data[m_pos] != '\r')
                    ++m_pos;
            } else {
                return true;
            }
        }
        return false;
    }

    QByteArrayView regular()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && !isSpace(m_data[m_pos]) && !isDelimiter(m_data[m_pos]))
            ++m_pos;
        return m_data.sliced(start, m_pos - start);
    }

    QByteArray hexString()
    {
        QByteArray bytes;
        int high = -1;
        for (++m_pos; m_pos < m_data.size() && m_data[m_pos] != '>'; ++m_pos) {
            const int value = hexValue(m_data[m_pos]);
            if (value < 0)
                continue;
            if (high < 0) {
                high = value;
            } else {
                bytes.append(char(high << 4 | value));
                high = -1;
            }
        }
        if (high >= 0)
            bytes.append(char(high << 4));
        ++m_pos;
        return bytes;
    }

    QByteArray literalString()
    {
        QByteArray bytes;
        int depth = 1;
        for (++m_pos; m_pos < m_data.size(); ++m_pos) {
            char c = m_data[m_pos];
            if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                ++m_pos;
                break;
            } else if (c == '\\' && m_pos + 1 < m_data.size()) {
                c = m_data[++m_pos];
                if (c >= '0' && c <= '7') {
                    int value = 0;
                    for (int digits = 0; digits < 3 && m_pos < m_data.size() &&
                                         m_data[m_pos] >= '0' && m_data[m_pos] <= '7';
                         ++digits)
                        value = value * 8 + (m_data[m_pos++] - '0');
                    --m_pos;
                    c = char(value);
                } else if (c == '\r' || c == '\n') {
                    if (c == '\r' && peek(1) == '\n')
                        ++m_pos;
                    continue; // a line continued
                } else {
                    c = c == 'n'   ? '\n'
                        : c == 'r' ? '\r'
                        : c == 't' ? '\t'
                        : c == 'b' ? '\b'
                        : c == 'f' ? '\f'
                                   : c;
                }
            }
            bytes.append(c);
        }
        return bytes;
    }

    void show(const Operand &text)
    {
        if (text.kind != Operand::String || m_font.isNull())
            return;
        QList<quint16> &glyphs = m_glyphs[m_font];
        for (qsizetype i = 0; i + 1 < text.bytes.size(); i += 2)
            glyphs.append(quint16(uchar(text.bytes[i]) << 8 | uchar(text.bytes[i + 1])));
    }

    void apply(QByteArrayView op)
    {
        if (op == "Tf" && m_operands.size() >= 2 &&
            m_operands[m_operands.size() - 2].kind == Operand::Name) {
            m_font = m_operands[m_operands.size() - 2].bytes;
        } else if (op == "q") {
            m_saved.push_back(m_font);
        } else if (op == "Q" && !m_saved.empty()) {
            m_font = m_saved.back();
            m_saved.pop_back();
        } else if ((op == "Tj" || op == "'" || op == "\"") && !m_operands.empty()) {
            show(m_operands.back());
        } else if (op == "TJ") {
            for (const Operand &operand : m_operands)
                show(operand);
        } else if (op == "ID") {
            // Inline image data runs to "EI" standing alone.
            while (m_pos + 2 < m_data.size() &&
                   !(isSpace(m_data[m_pos]) && m_data[m_pos + 1] == 'E' &&
                     m_data[m_pos + 2] == 'I' &&
                     (m_pos + 3 >= m_data.size() || isSpace(m_data[m_pos + 3]))))
                ++m_pos;
            m_pos += 3;
        }
        m_operands.clear();
    }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    std::vector<Operand> m_operands;
    QByteArray m_font;
    std::vector<QByteArray> m_saved;
    std::map<QByteArray, QList<quint16>> m_glyphs;
};

} // namespace

std::map<QByteArray, QList<quint16>> byFont(QByteArrayView content)
{
    return Scanner(content).run();
}

} // namespace ContentGlyphs
