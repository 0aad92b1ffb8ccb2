#include "ReconciliationDialog.h"

#include "KindRowsTable.h"
#include "WindowParts.h"

#include "control/AmountInput.h"
#include "control/Cents.h"
#include "control/ReconciliationFigures.h"
#include "control/ReconciliationRecording.h"
#include "ledger/LedgerStore.h"
#include "ledger/StaleChange.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using WindowParts::labelFor;
using WindowParts::named;
using namespace ReconciliationInput;

namespace {

QString amountText(std::optional<qint64> cents, const QString &none)
{
    return cents ? Cents::text(*cents) : none;
}

std::optional<qint64> replyCentsOf(const LedgerLetter &letter)
{
    bool ok = false;
    const double amount = letter.value(LetterField::ReplyAmount).toDouble(&ok);
    return ok ? Cents::of(amount) : std::nullopt;
}

QList<ItemRow> itemRowsOf(const KindRowsTable *table)
{
    QList<ItemRow> rows;
    for (const QStringList &texts : table->texts())
        rows.append({texts[Kind], texts[Amount], texts[Date], texts[Reference], texts[Note]});
    return rows;
}

QList<EvidenceRow> evidenceRowsOf(const KindRowsTable *table)
{
    QList<EvidenceRow> rows;
    for (const QStringList &texts : table->texts())
        rows.append({texts[Kind], texts[Amount], texts[Date], texts[Reference]});
    return rows;
}

QPushButton *button(QWidget *parent, const QString &text, const char *name, const QString &tip)
{
    auto *made = named(new QPushButton(text, parent), name);
    made->setToolTip(tip);
    made->setAutoDefault(false);
    return made;
}

// The list with its buttons to add and take off rows beside it.
QLayout *besideButtons(QWidget *list, QPushButton *add, QPushButton *remove)
{
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(buttons);
    return row;
}

QLabel *valueLabel(QWidget *parent, const char *name)
{
    auto *label = named(new QLabel(parent), name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

ReconciliationDialog::ReconciliationDialog(QWidget *owner, LedgerStore &store,
                                           const LedgerLetter &letter,
                                           const RegionalSettings &settings)
    : QDialog(owner), m_store(store), m_letter(letter), m_settings(settings),
      m_replyCents(replyCentsOf(letter)), m_toleranceCents(store.toleranceCents())
{
    setObjectName(QStringLiteral("ReconciliationDialog"));
    setWindowTitle(QStringLiteral("调节与替代程序 — %1").arg(letter.identity.number));

    auto *head = new QGridLayout;
    const auto addValue = [&](int row, int column, const QString &title, QLabel *label,
                              int span = 1) {
        head->addWidget(new QLabel(title, this), row, column * 2);
        head->addWidget(label, row, column * 2 + 1, 1, span);
    };
    lblNumber = valueLabel(this, "lblNumber");
    lblCustomer = valueLabel(this, "lblCustomer");
    lblBook = valueLabel(this, "lblBook");
    lblReply = valueLabel(this, "lblReply");
    lblDifference = valueLabel(this, "lblDifference");
    // The customer's name, however long, takes the rest of its line and wraps there.
    addValue(0, 0, QStringLiteral("函证编号："), lblNumber);
    addValue(0, 1, QStringLiteral("被询证单位："), lblCustomer, 4);
    addValue(1, 0, QStringLiteral("账面金额："), lblBook);
    addValue(1, 1, QStringLiteral("回函金额："), lblReply);
    addValue(1, 2, QStringLiteral("差异："), lblDifference);
    head->setColumnStretch(6, 1);
    head->setHorizontalSpacing(12);

    btnSave = named(new QPushButton(QStringLiteral("保存(&S)"), this), "btnSave");
    btnSave->setDefault(true);
    btnCancel = named(new QPushButton(QStringLiteral("取消"), this), "btnCancel");
    auto *box = new QDialogButtonBox(this);
    box->addButton(btnSave, QDialogButtonBox::AcceptRole);
    box->addButton(btnCancel, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(itemsPart(), 1);
    m_alternative = alternativePart();
    layout->addWidget(m_alternative, 1);
    layout->addWidget(box);

    connect(btnSave, &QPushButton::clicked, this,
            Guard::slot(this, &ReconciliationDialog::saveClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tblItems, &KindRowsTable::edited, this,
            Guard::slot(this, &ReconciliationDialog::itemsEdited));
    connect(tblEvidence, &KindRowsTable::edited, this,
            Guard::slot(this, &ReconciliationDialog::evidenceEdited));
    connect(btnAddItem, &QPushButton::clicked, tblItems, &KindRowsTable::addEmptyRow);
    connect(btnRemoveItem, &QPushButton::clicked, tblItems, &KindRowsTable::removeCurrentRow);
    connect(btnAddEvidence, &QPushButton::clicked, tblEvidence, &KindRowsTable::addEmptyRow);
    connect(btnRemoveEvidence, &QPushButton::clicked, tblEvidence,
            &KindRowsTable::removeCurrentRow);
    connect(chkAlternative, &QCheckBox::toggled, this, [this] {
        m_changed = true;
        showAlternative();
    });
    connect(edtAlternativeNote, &QLineEdit::textEdited, this, [this] { m_changed = true; });
    // Typed by the user: 确认金额 no longer follows the evidence, until emptied again.
    connect(edtCovered, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_coveredTyped = !text.trimmed().isEmpty();
        Guard::run([this] { evidenceEdited(); });
    });
    connect(cbbConclusion, &QComboBox::activated, this, [this] {
        m_conclusionChosen = true;
        m_changed = true;
    });

    showLetter();
    Guard::run([this] { load(); });
    resize(980, 700);
}

QWidget *ReconciliationDialog::itemsPart()
{
    auto *part = new QGroupBox(QStringLiteral("调节项"), this);
    tblItems = named(
        new KindRowsTable(part, Reconciliation::itemKinds(),
                          {QStringLiteral("种类"), QStringLiteral("金额"), QStringLiteral("日期"),
                           QStringLiteral("单据号"), QStringLiteral("说明")},
                          {12, 9, 7, 10, 20}),
        "tblItems");
    tblItems->setAccessibleName(QStringLiteral("调节项"));
    tblItems->horizontalHeaderItem(Amount)->setToolTip(
        QStringLiteral("回函金额减账面金额的差异中由此项解释的部分：回函多于账面为正，少于为负"));
    tblItems->horizontalHeaderItem(Date)->setToolTip(QStringLiteral("如 2027-01-15"));
    btnAddItem = button(part, QStringLiteral("添加调节项(&A)"), "btnAddItem",
                        QStringLiteral("在列表末尾添加一行调节项"));
    btnRemoveItem = button(part, QStringLiteral("删除调节项"), "btnRemoveItem",
                           QStringLiteral("删除列表中当前的调节项"));
    lblItemsTotal = valueLabel(part, "lblItemsTotal");
    lblDifferenceAfter = valueLabel(part, "lblDifferenceAfter");
    lblResult = valueLabel(part, "lblResult");

    auto *figures = new QGridLayout;
    figures->addWidget(new QLabel(QStringLiteral("调节项合计："), part), 0, 0);
    figures->addWidget(lblItemsTotal, 0, 1);
    figures->addWidget(new QLabel(QStringLiteral("调节后差异："), part), 1, 0);
    figures->addWidget(lblDifferenceAfter, 1, 1);
    figures->addWidget(new QLabel(QStringLiteral("调节结果："), part), 2, 0);
    figures->addWidget(lblResult, 2, 1);
    figures->setColumnStretch(1, 1);
    QLayout *top = besideButtons(tblItems, btnAddItem, btnRemoveItem);
    auto *layout = new QVBoxLayout(part);
    layout->addLayout(top, 1);
    layout->addLayout(figures);
    return part;
}

QWidget *ReconciliationDialog::alternativePart()
{
    auto *part = new QWidget(this);
    chkAlternative =
        named(new QCheckBox(QStringLiteral("执行了替代程序（未回函或回函不可靠时）(&P)"), part),
              "chkAlternative");
    lblNoAlternative = named(new QLabel(QStringLiteral("未执行替代程序。勾选上面一项，登记所查看的"
                                                       "期后收款、发货单、发票等证据和结论。"),
                                        part),
                             "lblNoAlternative");
    lblNoAlternative->setWordWrap(true);
    lblNoAlternative->setStyleSheet(QStringLiteral("color: palette(dark); margin-left: 20px"));
    grpAlternative = named(new QGroupBox(QStringLiteral("替代程序"), part), "grpAlternative");
    tblEvidence = named(new KindRowsTable(grpAlternative, Reconciliation::evidenceKinds(),
                                          {QStringLiteral("种类"), QStringLiteral("金额"),
                                           QStringLiteral("日期"), QStringLiteral("单据号")},
                                          {10, 9, 7, 12}),
                        "tblEvidence");
    tblEvidence->setAccessibleName(QStringLiteral("替代程序的证据"));
    tblEvidence->horizontalHeaderItem(Date)->setToolTip(QStringLiteral("如 2027-01-15"));
    btnAddEvidence = button(grpAlternative, QStringLiteral("添加证据(&E)"), "btnAddEvidence",
                            QStringLiteral("在列表末尾添加一项证据"));
    btnRemoveEvidence = button(grpAlternative, QStringLiteral("删除证据"), "btnRemoveEvidence",
                               QStringLiteral("删除列表中当前的证据"));
    lblEvidenceTotal = valueLabel(grpAlternative, "lblEvidenceTotal");
    edtCovered = named(new QLineEdit(grpAlternative), "edtCovered");
    edtCovered->setToolTip(
        QStringLiteral("证据所支持的账面金额；未填写时为证据金额合计（以账面金额为限）"));
    cbbConclusion = named(new QComboBox(grpAlternative), "cbbConclusion");
    cbbConclusion->addItems(Reconciliation::conclusions());
    edtAlternativeNote = named(new QLineEdit(grpAlternative), "edtAlternativeNote");

    QLayout *top = besideButtons(tblEvidence, btnAddEvidence, btnRemoveEvidence);
    auto *form = new QGridLayout;
    form->addWidget(labelFor(edtCovered, QStringLiteral("确认金额(&C)：")), 0, 0);
    form->addWidget(edtCovered, 0, 1);
    form->addWidget(lblEvidenceTotal, 0, 2, 1, 3);
    form->addWidget(labelFor(cbbConclusion, QStringLiteral("结论(&J)：")), 1, 0);
    form->addWidget(cbbConclusion, 1, 1);
    form->addWidget(labelFor(edtAlternativeNote, QStringLiteral("说明(&N)：")), 1, 2);
    form->addWidget(edtAlternativeNote, 1, 3, 1, 2);
    form->setColumnStretch(4, 1);
    form->setColumnStretch(3, 1);
    auto *inner = new QVBoxLayout(grpAlternative);
    inner->addLayout(top, 1);
    inner->addLayout(form);

    auto *layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chkAlternative);
    layout->addWidget(lblNoAlternative);
    layout->addWidget(grpAlternative, 1);
    return part;
}

void ReconciliationDialog::showLetter()
{
    lblNumber->setText(m_letter.identity.number);
    lblCustomer->setText(m_letter.identity.customer);
    lblBook->setText(amountText(m_letter.identity.cents, QStringLiteral("（无）")));
    lblReply->setText(amountText(m_replyCents, QStringLiteral("（尚未填写）")));
    const ReconciliationFigures figures =
        ReconciliationFigures::of(m_letter.identity.cents, m_replyCents, {}, 0, m_settings);
    lblDifference->setText(amountText(figures.differenceCents, QStringLiteral("—")));
}

void ReconciliationDialog::load()
{
    const QString number = m_letter.identity.number;
    if (const auto now = m_store.letter(number)) {
        m_letter = *now;
        m_replyCents = replyCentsOf(m_letter);
        showLetter();
    }
    m_seen = ReconciliationRecording::seenOf(m_store, number);
    tblItems->setRowCount(0);
    tblEvidence->setRowCount(0);
    for (const ReconcilingItem &item : m_seen.items) {
        const ItemRow row = rowOf(item, m_settings);
        tblItems->addRow({row.kind, row.amount, row.date, row.reference, row.note});
    }
    const std::optional<AlternativeProcedure> &procedure = m_seen.procedure;
    chkAlternative->setChecked(procedure.has_value());
    m_coveredTyped = false;
    m_conclusionChosen = false;
    if (!procedure) {
        edtCovered->clear();
        edtAlternativeNote->clear();
    } else {
        for (const AlternativeEvidence &evidence : procedure->evidence) {
            const EvidenceRow row = rowOf(evidence, m_settings);
            tblEvidence->addRow({row.kind, row.amount, row.date, row.reference});
        }
        const QList<EvidenceRow> rows = evidenceRowsOf(tblEvidence);
        m_coveredTyped =
            procedure->coveredCents != defaultCovered(rows, m_letter.identity.cents, m_settings);
        edtCovered->setText(AmountInput::text(procedure->coveredCents, m_settings));
        if (cbbConclusion->findText(procedure->conclusion) < 0)
            cbbConclusion->addItem(procedure->conclusion);
        cbbConclusion->setCurrentText(procedure->conclusion);
        m_conclusionChosen = procedure->conclusion !=
                             ReconciliationFigures::suggestedConclusion(procedure->coveredCents,
                                                                        m_letter.identity.cents);
        edtAlternativeNote->setText(procedure->note);
    }
    itemsEdited();
    evidenceEdited();
    showAlternative();
    tblItems->setCurrentCell(-1, -1);
    m_changed = false;
}

void ReconciliationDialog::reject()
{
    // Escape meant to leave a cell closes the dialog when no cell is being edited.
    if (m_changed &&
        !Prompts::current().askOkCancel(this, QStringLiteral("调节与替代程序"),
                                        QStringLiteral("放弃尚未保存的调节项和替代程序？")))
        return;
    QDialog::reject();
}

void ReconciliationDialog::showAlternative()
{
    const bool shown = chkAlternative->isChecked();
    grpAlternative->setVisible(shown);
    lblNoAlternative->setVisible(!shown);
    // Without a procedure the items have the room.
    static_cast<QBoxLayout *>(layout())->setStretchFactor(m_alternative, shown ? 1 : 0);
}

void ReconciliationDialog::itemsEdited()
{
    m_changed = true;
    const ReconciliationFigures figures = ReconciliationFigures::of(
        m_letter.identity.cents, m_replyCents, itemRowsOf(tblItems), m_toleranceCents, m_settings);
    QString total = Cents::text(figures.itemsCents);
    if (figures.rowsLeftOut > 0)
        total +=
            QStringLiteral("（另有 %1 行金额未填或不是金额，未计入）").arg(figures.rowsLeftOut);
    lblItemsTotal->setText(total);
    lblDifferenceAfter->setText(
        amountText(figures.differenceAfterCents,
                   m_replyCents ? QStringLiteral("—") : QStringLiteral("尚无回函金额，不能计算")));
    const QString tolerance = QStringLiteral("（调节容差 %1）").arg(Cents::text(m_toleranceCents));
    lblResult->setText(figures.result.isEmpty()
                           ? QStringLiteral("—")
                           : QStringLiteral("<b>%1</b>%2").arg(figures.result, tolerance));
    lblResult->setStyleSheet(figures.result == Reconciliation::Agreed
                                 ? QStringLiteral("color: #206020")
                             : figures.result.isEmpty() ? QString()
                                                        : QStringLiteral("color: #a00000"));
}

void ReconciliationDialog::evidenceEdited()
{
    m_changed = true;
    const QList<EvidenceRow> rows = evidenceRowsOf(tblEvidence);
    const qint64 covered = defaultCovered(rows, m_letter.identity.cents, m_settings);
    if (!m_coveredTyped)
        edtCovered->setText(AmountInput::text(covered, m_settings));
    lblEvidenceTotal->setText(QStringLiteral("证据金额合计 %1，以账面金额 %2 为限")
                                  .arg(Cents::text(evidenceCents(rows, m_settings)),
                                       amountText(m_letter.identity.cents, QStringLiteral("—"))));
    if (!m_conclusionChosen) {
        std::optional<qint64> typed;
        try {
            typed = AmountInput::cents(QString(), edtCovered->text(), m_settings);
        } catch (const Exception &) {
        }
        cbbConclusion->setCurrentText(ReconciliationFigures::suggestedConclusion(
            typed.value_or(covered), m_letter.identity.cents));
    }
}

void ReconciliationDialog::saveClick()
{
    std::optional<AlternativeProcedure> procedure;
    QList<ReconcilingItem> items;
    KindRowsTable *reading = tblItems;
    // Taken back to the row refused, then the error box says why.
    try {
        items = ReconciliationInput::items(itemRowsOf(tblItems), m_settings);
        reading = tblEvidence;
        if (chkAlternative->isChecked())
            procedure = ReconciliationInput::procedure(
                evidenceRowsOf(tblEvidence), edtCovered->text(), cbbConclusion->currentText(),
                edtAlternativeNote->text(), m_letter.identity.cents, m_settings);
    } catch (const RowError &error) {
        reading->goTo(error.row(), error.column());
        throw;
    }
    try {
        ReconciliationRecording::save(m_store, m_letter, items, procedure, &m_seen);
    } catch (const StaleChange &) {
        // Shown as another writer left it, for the auditor to enter again what still holds.
        load();
        throw;
    }
    accept();
}
