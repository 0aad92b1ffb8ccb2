#include "EvaluationPage.h"

#include "WindowParts.h"

#include "control/AmountInput.h"
#include "control/EvaluationRows.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "platform/Guard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using WindowParts::named;

namespace {
const QString kTolerance = QStringLiteral("调节容差");
}

EvaluationPage::EvaluationPage(QWidget *parent)
    : QWidget(parent), m_lines(new QStandardItemModel(this)), m_judged(new QStandardItemModel(this))
{
    setObjectName(QStringLiteral("tabEvaluation"));
    edtTolerance = named(new QLineEdit(this), "edtTolerance");
    edtTolerance->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000.00")) +
                                  16);
    edtTolerance->setToolTip(
        QStringLiteral("回函金额减账面金额再减调节项后的差异不超过此数（元）时为调节后相符"));
    btnApplyTolerance = named(new QPushButton(QStringLiteral("应用"), this), "btnApplyTolerance");
    btnApplyTolerance->setToolTip(
        QStringLiteral("保存调节容差，并按它重新判定有调节项的询证函的函证结果"));
    lblStatement = named(new QLabel(this), "lblStatement");
    lblStatement->setWordWrap(true);
    lblStatement->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblStatement->setMargin(8);
    QFont prominent = lblStatement->font();
    prominent.setPointSizeF(prominent.pointSizeF() * 1.25);
    prominent.setBold(true);
    lblStatement->setFont(prominent);

    m_lines->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("数值")});
    tblLines = WindowParts::tableView(this, m_lines, "tblLines", QStringLiteral("评价结果"), {});
    // Both columns whole in the pane: the labels as long as they are, the figures the rest.
    tblLines->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tblLines->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    tblLines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A figure with its shares runs over a line: the row grows to show it whole.
    tblLines->setWordWrap(true);
    tblLines->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_judged->setHorizontalHeaderLabels(EvaluationRows::titles());
    tblJudged =
        WindowParts::tableView(this, m_judged, "tblJudged", QStringLiteral("逐份函证的确认情况"),
                               {8, 12, 8, 5, 7, 7, 8, 7, 6});

    auto *top = new QHBoxLayout;
    top->addWidget(WindowParts::labelFor(edtTolerance, QStringLiteral("调节容差(&O)：")));
    top->addWidget(edtTolerance);
    top->addWidget(new QLabel(QStringLiteral("元"), this));
    top->addWidget(btnApplyTolerance);
    top->addStretch(1);
    // One above the other, each the window's width: side by side at the window's size the
    // figures' column was a few characters wide and every row wrapped over several lines.
    auto *tables = new QSplitter(Qt::Vertical, this);
    tables->addWidget(tblLines);
    tables->addWidget(tblJudged);
    tables->setStretchFactor(0, 1);
    tables->setStretchFactor(1, 1);
    tables->setChildrenCollapsible(false);
    tblJudged->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblStatement);
    layout->addWidget(tables, 1);

    connect(btnApplyTolerance, &QPushButton::clicked, this,
            Guard::slot(this, &EvaluationPage::applyToleranceClick));
    connect(edtTolerance, &QLineEdit::textEdited, this, [this] { m_toleranceTyped = true; });
    connect(edtTolerance, &QLineEdit::returnPressed, this,
            Guard::slot(this, &EvaluationPage::applyToleranceClick));
    setStore(nullptr);
}

void EvaluationPage::setStore(LedgerStore *store, bool readNow)
{
    m_store = store;
    m_toleranceTyped = false;
    const bool writable = store && !store->readOnly();
    edtTolerance->setEnabled(writable);
    btnApplyTolerance->setEnabled(writable);
    if (readNow || !store)
        refresh();
}

void EvaluationPage::refresh()
{
    const BusyCursor busy;
    m_result = m_store ? Evaluation::evaluate(Evaluation::inputOf(*m_store)) : Evaluation::Result();
    // What the user is typing stays until applied.
    if (!m_toleranceTyped)
        edtTolerance->setText(
            m_store ? AmountInput::text(m_store->toleranceCents(), RegionalSettings::user())
                    : QString());

    m_lines->removeRows(0, m_lines->rowCount());
    for (const auto &[label, value] : Evaluation::lines(m_result)) {
        auto *shown = new QStandardItem(value);
        shown->setToolTip(value);
        m_lines->appendRow({new QStandardItem(label), shown});
    }
    m_judged->removeRows(0, m_judged->rowCount());
    for (const Evaluation::Judged &judged : m_result.judged) {
        QList<QStandardItem *> row;
        const QStringList texts = EvaluationRows::texts(judged);
        for (int column = 0; column < texts.size(); ++column) {
            row.append(new QStandardItem(texts[column]));
            row.last()->setToolTip(texts[column]); // a long name is cut short in its column
            if (EvaluationRows::isNumber(column))
                row.last()->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        m_judged->appendRow(row);
    }

    QString statement = m_result.statement;
    if (!m_store)
        statement.clear();
    else if (m_result.judged.isEmpty() && statement.isEmpty())
        statement =
            QStringLiteral("台账中还没有可评价的函证：发函、回函并登记结果后，这里给出结论。");
    lblStatement->setText(statement);
    lblStatement->setVisible(!statement.isEmpty());
    lblStatement->setStyleSheet(
        m_result.exceedsTolerable
            ? QStringLiteral("color: #a00000; background: #fbeaea; border: 1px solid #e0b0b0")
            : QStringLiteral(
                  "background: palette(alternate-base); border: 1px solid palette(mid)"));
}

void EvaluationPage::applyToleranceClick()
{
    if (!m_store)
        return;
    const std::optional<qint64> cents =
        AmountInput::cents(kTolerance, edtTolerance->text(), RegionalSettings::user());
    if (!cents)
        throw Exception(QStringLiteral("请填写调节容差（元），不设容差时填 0"));
    {
        const BusyCursor busy;
        m_store->setToleranceCents(*cents);
    }
    m_toleranceTyped = false;
    refresh();
    emit toleranceChanged();
}
