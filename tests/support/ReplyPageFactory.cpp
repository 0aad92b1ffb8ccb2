#include "ReplyPageFactory.h"

#include "ScanMaker.h"

#include "engine/PdfExport.h"
#include "engine/ReportDocument.h"
#include "engine/TemplateReader.h"
#include "platform/FontSetup.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>
#include <stdexcept>

namespace {

const QStringList kPlaces{"华东", "江南", "滨海", "长兴", "新安",
                          "东方", "宏达", "永盛", "金桥", "瑞丰"};
const QStringList kTrades{"机械", "电子", "建材", "纺织", "化工",
                          "物流", "食品", "医药", "贸易", "科技"};
const QStringList kKinds{"有限公司", "股份有限公司", "有限责任公司"};

QString nameFrom(QRandomGenerator &random)
{
    return kPlaces[random.bounded(int(kPlaces.size()))] +
           kTrades[random.bounded(int(kTrades.size()))] +
           kKinds[random.bounded(int(kKinds.size()))];
}

// The amount with one digit of its figures changed.
double oneDigitChanged(double amount, QRandomGenerator &random)
{
    QString text = QString::number(amount, 'f', 2);
    QList<int> places;
    for (int i = 0; i < text.size(); ++i)
        if (text[i].isDigit() && !(i == 0 && text.size() > 4))
            places.append(i);
    const int place = places[random.bounded(int(places.size()))];
    const int old = text[place].digitValue();
    const int digit = (old + 1 + random.bounded(9)) % 10;
    text[place] = QChar('0' + digit);
    return text.toDouble();
}

QRectF elementRect(const ReportTemplate &report, const QString &name)
{
    for (const ReportElement &element : report.elements)
        if (element.name == name)
            return element.rectMm;
    throw std::runtime_error("template lacks an element");
}

// Copies 'mm' of 'from' onto 'onto', as a forger pastes a cut-out.
void pasted(QImage &onto, const QImage &from, const QRectF &mm, double dpi)
{
    const QRect pixels = QRectF(mm.topLeft() * dpi / 25.4, mm.size() * dpi / 25.4).toAlignedRect();
    QPainter painter(&onto);
    painter.drawImage(pixels.topLeft(), from, pixels);
}

QColor inkColour(QRandomGenerator &random)
{
    return random.bounded(2) ? QColor(20, 20, 30) : QColor(25, 35, 120);
}

void tick(QPainter &painter, QPointF at, QRandomGenerator &random)
{
    const double size = 8 + random.bounded(8.0);
    painter.setPen(QPen(inkColour(random), 0.5 + random.bounded(0.4), Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    QPainterPath path(at);
    path.lineTo(at + QPointF(size * 0.3, size * 0.4));
    path.quadTo(at + QPointF(size * 0.6, -size * 0.1), at + QPointF(size, -size * 0.6));
    painter.drawPath(path);
}

void cross(QPainter &painter, QPointF at, QRandomGenerator &random)
{
    const double size = 8 + random.bounded(6.0);
    painter.setPen(QPen(inkColour(random), 0.5 + random.bounded(0.4), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(at, at + QPointF(size, size));
    painter.drawLine(at + QPointF(size, 0), at + QPointF(0, size));
}

// Lines of hand-written-looking characters: a few strokes in each 4 mm cell.
void handwriting(QPainter &painter, const QRectF &area, double lineHeight, QRandomGenerator &random)
{
    painter.setPen(QPen(inkColour(random), 0.3 + random.bounded(0.2), Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    const int lines = std::max(1, int(area.height() / lineHeight));
    for (int line = 0; line < lines; ++line) {
        const double baseline = area.top() + (line + 1) * lineHeight - 1;
        const int characters = 4 + random.bounded(int(area.width() / 4.5) - 3);
        for (int c = 0; c < characters; ++c) {
            const QPointF cell(area.left() + c * 4.5, baseline - 4);
            const int strokes = 2 + random.bounded(4);
            for (int s = 0; s < strokes; ++s) {
                const QPointF a = cell + QPointF(random.bounded(3.5), random.bounded(4.0));
                const QPointF b = cell + QPointF(random.bounded(3.5), random.bounded(4.0));
                const QPointF bend = cell + QPointF(random.bounded(4.0), random.bounded(4.0));
                QPainterPath path(a);
                path.quadTo(bend, b);
                painter.drawPath(path);
            }
        }
    }
}

// A company's round red seal: the ring, the star, the name around the inside.
void seal(QPainter &painter, QPointF centre, double diameter, QRandomGenerator &random)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    const QColor red(190 + random.bounded(50), 20 + random.bounded(50), 30 + random.bounded(40));
    const double r = diameter / 2;
    painter.setPen(QPen(red, diameter * 0.03));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, r, r);
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double reach = (i % 2 ? 0.38 : 1.0) * r * 0.22;
        star << centre + QPointF(std::cos(angle), std::sin(angle)) * reach;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawPolygon(star);
    painter.setPen(QPen(red, diameter * 0.012, Qt::SolidLine, Qt::RoundCap));
    const int characters = 8 + random.bounded(6);
    for (int c = 0; c < characters; ++c) {
        const double angle = M_PI * (-1.1 + 1.2 * c / (characters - 1)) - M_PI * 0.05;
        const QPointF at = centre + QPointF(std::cos(angle), std::sin(angle)) * r * 0.72;
        const double size = r * 0.16;
        for (int s = 0; s < 4; ++s) {
            const QPointF a =
                at + QPointF(random.bounded(size) - size / 2, random.bounded(size) - size / 2);
            const QPointF b =
                at + QPointF(random.bounded(size) - size / 2, random.bounded(size) - size / 2);
            painter.drawLine(a, b);
        }
    }
    painter.restore();
}

QImage throughJpeg(const QImage &image)
{
    return QImage::fromData(encoded(image, "JPEG", 40), "JPEG")
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

QString ReplyPageTruth::suggestion() const
{
    switch (answer) {
    case Answer::AgreeSealed:
    case Answer::AgreeSealOnly:
        return QStringLiteral("相符");
    case Answer::DisagreeWritten:
    case Answer::DisagreeTicked:
    case Answer::DisagreeSealed:
        return QStringLiteral("不符");
    default:
        return QStringLiteral("无法判断");
    }
}

QString ReplyPageTruth::describe() const
{
    static const char *alterations[] = {"clean",    "digit", "digit-and-words",
                                        "customer", "date",  "copied-code"};
    static const char *answers[] = {"none",
                                    "agree-sealed",
                                    "agree-seal-only",
                                    "agree-tick-only",
                                    "disagree-written",
                                    "disagree-ticked",
                                    "disagree-sealed",
                                    "both"};
    return QStringLiteral("letter%1-%2-%3-%4dpi-%5deg-seed%6")
        .arg(letter)
        .arg(QLatin1String(alterations[int(alteration)]), QLatin1String(answers[int(answer)]))
        .arg(dpi)
        .arg(degrees, 0, 'f', 2)
        .arg(seed);
}

struct ReplyPageFactory::Data
{
    ReportTemplate report;
    QList<ReplyLetter> letters;
    QList<QByteArray> pdfs;

    ReportDocument documentOf(const ReplyLetter &letter) const
    {
        ReportDocument document;
        document.report = report;
        // The code carries the letter's number, as a run fills it.
        document.records = {
            {letter.customer, letter.cutOff, letter.amount, letter.number, letter.number}};
        document.title = QStringLiteral("应收帐款确认函");
        document.printDate = QDate(2025, 1, 6);
        return document;
    }
};

ReplyPageFactory::ReplyPageFactory(const QString &templatePath, int letterCount, quint32 seed)
    : m_data(std::make_unique<Data>())
{
    FontSetup::ensureSubstitutions();
    QFile file(templatePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("template missing");
    m_data->report = TemplateReader::fromJson(file.readAll());
    QRandomGenerator random(seed);
    ReportDocument all = m_data->documentOf({});
    all.records.clear();
    for (int i = 0; i < letterCount; ++i) {
        ReplyLetter letter;
        letter.number = QStringLiteral("HZ2024-%1").arg(i + 1, 4, 10, QLatin1Char('0'));
        letter.customer = nameFrom(random);
        letter.cutOff = QDate(2024, 12, 31);
        letter.amount = double(random.bounded(100000, 900000000)) / 100;
        m_data->letters.append(letter);
        all.records.append(
            {letter.customer, letter.cutOff, letter.amount, letter.number, letter.number});
    }
    PdfExport::eachPage(all, [this](int, const QByteArray &pdf) { m_data->pdfs.append(pdf); });
}

ReplyPageFactory::~ReplyPageFactory() = default;

int ReplyPageFactory::letterCount() const
{
    return int(m_data->letters.size());
}

const ReplyLetter &ReplyPageFactory::letter(int index) const
{
    return m_data->letters[index];
}

const QByteArray &ReplyPageFactory::letterPdf(int index) const
{
    return m_data->pdfs[index];
}

QImage ReplyPageFactory::page(const ReplyPageTruth &truth) const
{
    QRandomGenerator random(truth.seed);
    const ReplyLetter &own = m_data->letters[truth.letter];
    ReplyLetter shown = own;
    const double dpi = truth.dpi;
    switch (truth.alteration) {
    case Alteration::None:
        break;
    case Alteration::Digit:
    case Alteration::DigitAndWords:
        shown.amount = oneDigitChanged(own.amount, random);
        break;
    case Alteration::Customer:
        do
            shown.customer = nameFrom(random);
        while (shown.customer == own.customer);
        break;
    case Alteration::Date:
        shown.cutOff = random.bounded(2) ? own.cutOff.addDays(-1 - random.bounded(60))
                                         : own.cutOff.addYears(random.bounded(2) ? 1 : -1);
        break;
    case Alteration::CopiedCode:
        shown =
            m_data->letters[(truth.letter + 1 + random.bounded(letterCount() - 1)) % letterCount()];
        break;
    }
    QImage image = scanned(m_data->documentOf(shown), 0, dpi);
    if (truth.alteration == Alteration::Digit)
        pasted(image, scanned(m_data->documentOf(own), 0, dpi),
               elementRect(m_data->report, QStringLiteral("大写金额")), dpi);
    if (truth.alteration == Alteration::CopiedCode)
        pasted(image, scanned(m_data->documentOf(own), 0, dpi),
               elementRect(m_data->report, QStringLiteral("函证码")), dpi);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpi / 25.4, dpi / 25.4);
    auto jitter = [&](double mm) { return random.bounded(2 * mm) - mm; };
    const QPointF agreeTick(45 + jitter(10), 215 + jitter(6));
    const QPointF agreeSeal(61.5 + jitter(4), 248 + jitter(3));
    const QPointF disagreeSeal(148.5 + jitter(4), 252 + jitter(2));
    const double diameter = 38 + random.bounded(4.0);
    const bool crossed = random.bounded(2);
    auto mark = [&](QPointF at) {
        crossed ? cross(painter, at, random) : tick(painter, at, random);
    };
    switch (truth.answer) {
    case Answer::None:
        break;
    case Answer::AgreeSealed:
        tick(painter, agreeTick, random);
        seal(painter, agreeSeal, diameter, random);
        break;
    case Answer::AgreeSealOnly:
        seal(painter, agreeSeal, diameter, random);
        break;
    case Answer::AgreeTickOnly:
        tick(painter, agreeTick, random);
        break;
    case Answer::DisagreeWritten:
        handwriting(painter,
                    QRectF(112, 208 + 9 * random.bounded(2), 72, 9 * (1 + random.bounded(3))), 9,
                    random);
        break;
    case Answer::DisagreeTicked:
        mark(QPointF(150 + jitter(15), 226 + jitter(8)));
        break;
    case Answer::DisagreeSealed:
        handwriting(painter, QRectF(112, 208, 72, 18), 9, random);
        seal(painter, disagreeSeal, diameter, random);
        break;
    case Answer::Both:
        tick(painter, agreeTick, random);
        seal(painter, agreeSeal, diameter, random);
        handwriting(painter, QRectF(112, 208, 72, 9), 9, random);
        break;
    }
    if (truth.freeWriting) {
        handwriting(painter, QRectF(42, 165, 60, 5), 5, random);
        handwriting(painter, QRectF(77, 175, 30, 5), 5, random);
        seal(painter, QPointF(152 + jitter(3), 171), 20, random);
    }
    painter.end();
    return throughJpeg(turned(image, truth.degrees));
}

QList<ReplyPageTruth> ReplyPageFactory::mix(int count, int letters, quint32 seed)
{
    QRandomGenerator random(seed);
    const double resolutions[] = {150, 200, 300};
    QList<ReplyPageTruth> truths;
    for (int i = 0; i < count; ++i) {
        ReplyPageTruth truth;
        truth.letter = i % letters;
        // Two pages in five altered, the kinds in turn.
        truth.alteration = i % 5 < 2 ? Alteration(1 + (i / 5 * 2 + i % 5) % 5) : Alteration::None;
        truth.answer = Answer((i / 3 + i) % 8);
        truth.dpi = resolutions[i % 3];
        truth.degrees = random.bounded(6.0) - 3;
        truth.freeWriting = random.bounded(3) == 0;
        truth.seed = random.generate();
        truths.append(truth);
    }
    return truths;
}
