#pragma once
// Scanned reply pages with a known truth, made from the shipped receivables letter: each
// page printed (perhaps altered as a forger would), answered (ticks, crosses, writing, red
// seals), scanned at 150, 200 or 300 dpi, turned up to 3°, and saved as JPEG of quality 40.

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>

struct ReplyLetter
{
    QString number;
    QString customer;
    QDate cutOff;
    double amount = 0;
};

enum class Alteration
{
    None,
    Digit,         // one digit of the amount in figures; the amount in words as printed
    DigitAndWords, // the amount changed, in figures and in words
    Customer,      // another customer's name
    Date,          // the cut-off date
    CopiedCode     // another letter's page carrying this letter's code
};

enum class Answer
{
    None,
    AgreeSealed,   // ticked and sealed where the data are confirmed
    AgreeSealOnly, // sealed only, there
    AgreeTickOnly, // ticked without a seal
    DisagreeWritten,
    DisagreeTicked,
    DisagreeSealed, // differences written, and sealed
    Both            // both boxes answered
};

struct ReplyPageTruth
{
    int letter = 0; // the letter whose PDF the page is checked against
    Alteration alteration = Alteration::None;
    Answer answer = Answer::None;
    double dpi = 200;
    double degrees = 0;
    bool freeWriting = false; // the reply address filled in, the client's seal beside it
    quint32 seed = 1;

    bool altered() const { return alteration != Alteration::None; }
    // 相符, 不符 or 无法判断, as the check should suggest.
    QString suggestion() const;
    QString describe() const;
};

class ReplyPageFactory
{
public:
    // 'letterCount' letters of the template at 'templatePath', their values drawn from 'seed'.
    ReplyPageFactory(const QString &templatePath, int letterCount, quint32 seed);
    ~ReplyPageFactory();

    int letterCount() const;
    const ReplyLetter &letter(int index) const;
    // The letter's own page PDF, as the run that printed it wrote it.
    const QByteArray &letterPdf(int index) const;
    // The scan for that truth (RGB32).
    QImage page(const ReplyPageTruth &truth) const;

    // 'count' varied pages over 'letters' letters, the same for a seed.
    static QList<ReplyPageTruth> mix(int count, int letters, quint32 seed);

private:
    struct Data;
    std::unique_ptr<Data> m_data;
};
