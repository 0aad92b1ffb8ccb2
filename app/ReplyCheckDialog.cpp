#include "ReplyCheckDialog.h"

#include "WindowParts.h"

#include "control/ReplyChecking.h"
#include "control/ScannedFile.h"
#include "ledger/LedgerStore.h"
#include "platform/Guard.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using WindowParts::named;

namespace {

QLabel *picture(const QImage &image, QWidget *parent)
{
    auto *label = new QLabel(parent);
    // Small regions are enlarged so that a changed digit can be read.
    const QImage shown = image.width() < 360 ? image.scaledToWidth(360, Qt::SmoothTransformation)
                                             : image.scaledToWidth(std::min(image.width(), 520),
                                                                   Qt::SmoothTransformation);
    label->setPixmap(QPixmap::fromImage(shown));
    label->setFrameShape(QFrame::Box);
    return label;
}

} // namespace

ReplyCheckDialog::ReplyCheckDialog(QWidget *owner, LedgerStore &ledger, const ReplyLine &line,
                                   const QString &customer)
    : QDialog(owner), m_ledger(ledger), m_number(line.number)
{
    setObjectName(QStringLiteral("dlgReplyCheck"));
    setWindowTitle(QStringLiteral("核对回函 - %1").arg(line.number));
    const QImage page = ScannedFile(line.file).page(line.page - 1);
    ReplyChecking checking(ledger);
    const ReplyChecking::Checked checked = checking.check(line, page, CodeReader::read(page));

    QStringList said{QStringLiteral("函证编号 %1（%2）").arg(line.number, customer)};
    if (!line.codeCheck.isEmpty())
        said.append(QStringLiteral("二维码校验：%1").arg(line.codeCheck));
    QWidget *regions = new QWidget;
    auto *grid = new QGridLayout(regions);
    QString suggestion;
    if (!checked.result || !checked.result->compared) {
        said.append(QStringLiteral("未与发出时的页面比对：%1").arg(checked.notCompared));
    } else {
        const ReplyPageCheck::Result &result = *checked.result;
        said.append(
            result.altered()
                ? QStringLiteral("疑似改动：%1 处印刷内容与发出时不同").arg(result.changed.size())
                : QStringLiteral("印刷内容与发出时一致"));
        // Titles only over regions to show: a clean page shows none.
        if (result.altered()) {
            grid->addWidget(new QLabel(QStringLiteral("发出时"), regions), 0, 1);
            grid->addWidget(new QLabel(QStringLiteral("回函扫描"), regions), 0, 2);
        }
        int row = 1;
        for (const QRectF &mm : result.changed) {
            const double scale = result.pixelsPerMm;
            const QRect frame =
                QRectF(mm.x() * scale, mm.y() * scale, mm.width() * scale, mm.height() * scale)
                    .adjusted(-8, -8, 8, 8)
                    .toAlignedRect()
                    .intersected(result.reference.rect());
            grid->addWidget(new QLabel(QStringLiteral("第 %1 处").arg(row), regions), row, 0);
            grid->addWidget(picture(result.reference.copy(frame), regions), row, 1);
            grid->addWidget(picture(result.scanIn(frame), regions), row, 2);
            ++row;
        }
        if (!result.differenceLines.isNull()) {
            grid->addWidget(new QLabel(QStringLiteral("不符事项"), regions), row, 0);
            grid->addWidget(picture(result.differenceLines, regions), row, 1, 1, 2);
        }
    }
    // The regions stand at the top, however few.
    grid->setRowStretch(grid->rowCount(), 1);
    grid->setColumnStretch(3, 1);
    if (checked.result) {
        said.append(QStringLiteral("回函标记：%1").arg(checked.result->note()));
        suggestion = checked.result->suggestion;
        said.append(QStringLiteral("建议结果：%1（请核对后确认）").arg(suggestion));
    }
    lblFindings = named(new QLabel(said.join(QLatin1Char('\n')), this), "lblFindings");
    lblFindings->setWordWrap(true);
    lblFindings->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrRegions"));
    scroll->setWidget(regions);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(800, 420);

    auto *box = new QDialogButtonBox(this);
    btnAgree = named(box->addButton(QStringLiteral("记为相符(&A)"), QDialogButtonBox::ActionRole),
                     "btnAgree");
    btnDiffer = named(box->addButton(QStringLiteral("记为不符(&D)"), QDialogButtonBox::ActionRole),
                      "btnDiffer");
    btnClose =
        named(box->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole), "btnClose");
    const bool writable = !ledger.readOnly() && line.letter >= 0;
    btnAgree->setEnabled(writable);
    btnDiffer->setEnabled(writable);
    (suggestion == QStringLiteral("相符")   ? btnAgree
     : suggestion == QStringLiteral("不符") ? btnDiffer
                                            : btnClose)
        ->setDefault(true);
    connect(btnAgree, &QPushButton::clicked, this,
            Guard::slot([this] { record(QStringLiteral("相符")); }));
    connect(btnDiffer, &QPushButton::clicked, this,
            Guard::slot([this] { record(QStringLiteral("不符")); }));
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblFindings);
    layout->addWidget(scroll, 1);
    layout->addWidget(box);
}

void ReplyCheckDialog::record(const QString &result)
{
    m_ledger.setValues(m_number, {{LetterField::Result, result}}, QStringLiteral("核对回函"));
    m_recorded = result;
    accept();
}
