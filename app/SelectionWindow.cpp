#include "SelectionWindow.h"

#include "WindowParts.h"
#include "control/Cents.h"
#include "control/PickListModel.h"
#include "control/ReliabilityFactors.h"
#include "control/RowChoiceModel.h"
#include "control/SampleStream.h"
#include "control/Sampler.h"
#include "control/SelectionDraft.h"
#include "control/SelectionRecording.h"
#include "control/SelectionSummary.h"
#include "engine/designer/EditBoxes.h"
#include "ledger/LedgerStore.h"
#include "platform/BusyCursor.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using WindowParts::labelFor;
using WindowParts::named;

namespace {

const QString kCaption = QStringLiteral("选样");

} // namespace

SelectionWindow::SelectionWindow(QWidget *owner, LedgerStore *ledger, const StringGridModel &table,
                                 const RegionalSettings &settings, std::function<void()> recorded)
    : QWidget(owner, Qt::Window), m_ledger(ledger), m_table(table), m_settings(settings),
      m_recorded(std::move(recorded)), m_picks(new PickListModel(this)),
      m_choices(new RowChoiceModel(this))
{
    setObjectName(QStringLiteral("frmSelection"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kCaption);
    resize(1050, 680);

    auto *populationBox = new QGroupBox(QStringLiteral("总体"), this);
    lblPopulation = named(new QLabel(populationBox), "lblPopulation");
    lblPopulation->setWordWrap(true);
    lblPopulation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    (new QVBoxLayout(populationBox))->addWidget(lblPopulation);

    auto *rulesBox = new QGroupBox(QStringLiteral("选样规则"), this);
    edtThreshold = named(new QLineEdit(rulesBox), "edtThreshold");
    edtThreshold->setPlaceholderText(QStringLiteral("不设界限请留空"));
    cbbMethod = named(new QComboBox(rulesBox), "cbbMethod");
    for (SamplingMethod method : SelectionPlan::methods())
        cbbMethod->addItem(SelectionPlan::methodName(method), int(method));
    edtSize = named(new QLineEdit(rulesBox), "edtSize");
    chkComputeSize =
        named(new QCheckBox(QStringLiteral("按可容忍错报计算(&C)"), rulesBox), "chkComputeSize");
    edtTolerable = named(new QLineEdit(rulesBox), "edtTolerable");
    edtExpected = named(new QLineEdit(rulesBox), "edtExpected");
    edtExpected->setPlaceholderText(QStringLiteral("0"));
    cbbConfidence = named(new QComboBox(rulesBox), "cbbConfidence");
    for (int percent : ReliabilityFactors::confidences())
        cbbConfidence->addItem(QStringLiteral("%1%").arg(percent), percent);
    cbbConfidence->setCurrentIndex(cbbConfidence->findData(95));
    lblSize = named(new QLabel(rulesBox), "lblSize");
    lblSize->setWordWrap(true);
    lblInterval = named(new QLabel(rulesBox), "lblInterval");
    edtSeed = named(new QLineEdit(SampleStream::newSeed(), rulesBox), "edtSeed");
    btnNewSeed = named(new QPushButton(QStringLiteral("换一个"), rulesBox), "btnNewSeed");

    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(edtSize, 1);
    sizeRow->addWidget(chkComputeSize);
    auto *seedRow = new QHBoxLayout;
    seedRow->addWidget(edtSeed, 1);
    seedRow->addWidget(btnNewSeed);
    auto *rules = new QFormLayout(rulesBox);
    rules->addRow(labelFor(edtThreshold, QStringLiteral("重要项目界限(&K)：")), edtThreshold);
    rules->addRow(labelFor(cbbMethod, QStringLiteral("选样方法(&M)：")), cbbMethod);
    rules->addRow(labelFor(edtSize, QStringLiteral("样本量(&N)：")), sizeRow);
    rules->addRow(labelFor(edtTolerable, QStringLiteral("可容忍错报(&T)：")), edtTolerable);
    rules->addRow(labelFor(edtExpected, QStringLiteral("预期错报(&E)：")), edtExpected);
    rules->addRow(labelFor(cbbConfidence, QStringLiteral("置信水平(&L)：")), cbbConfidence);
    rules->addRow(QString(), lblSize);
    rules->addRow(QString(), lblInterval);
    rules->addRow(labelFor(edtSeed, QStringLiteral("随机种子(&S)：")), seedRow);

    lstOwnKind = WindowParts::tableView(this, m_choices, "lstOwnKind",
                                        QStringLiteral("手工选取的行"), {7, 14, 9});
    lblOwnKind = named(labelFor(lstOwnKind, QString()), "lblOwnKind");
    lblOwnKind->setWordWrap(true);

    btnPreview = named(new QPushButton(QStringLiteral("预览(&P)"), this), "btnPreview");
    btnRecord = named(new QPushButton(QStringLiteral("确定选样(&R)"), this), "btnRecord");
    spnExtend = named(new QSpinBox(this), "spnExtend");
    spnExtend->setRange(0, 100000);
    spnExtend->setValue(5);
    spnExtend->setToolTip(QStringLiteral("扩大样本时再抽取的点数或行数；勾选的行同时手工加入"));
    btnExtend = named(new QPushButton(QStringLiteral("扩大样本(&X)"), this), "btnExtend");
    btnClose = named(new QPushButton(QStringLiteral("关闭"), this), "btnClose");

    tblPicks = WindowParts::tableView(this, m_picks, "tblPicks", QStringLiteral("选中的行"),
                                      {7, 14, 9, 8, 9});
    lblPicks = named(labelFor(tblPicks, QString()), "lblPicks");
    lblPicks->setWordWrap(true);
    // Room for the summary's two lines: beside the taller rules the splitter gives it no more.
    lblPicks->setMinimumHeight(2 * lblPicks->fontMetrics().lineSpacing() + 4);
    txtSummary = named(new QPlainTextEdit(this), "txtSummary");
    txtSummary->setReadOnly(true);
    txtSummary->setAccessibleName(QStringLiteral("选样说明"));

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(populationBox);
    leftLayout->addWidget(rulesBox);
    leftLayout->addWidget(lblOwnKind);
    leftLayout->addWidget(lstOwnKind, 1);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(lblPicks);
    rightLayout->addWidget(tblPicks, 3);
    rightLayout->addWidget(labelFor(txtSummary, QStringLiteral("选样说明：")));
    rightLayout->addWidget(txtSummary, 2);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnPreview);
    buttons->addWidget(btnRecord);
    buttons->addSpacing(24);
    buttons->addWidget(labelFor(spnExtend, QStringLiteral("再抽取(&A)：")));
    buttons->addWidget(spnExtend);
    buttons->addWidget(btnExtend);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    // The wheel passing over the method or the confidence must not change the rules.
    EditBoxes::guardWheel(this);

    connect(btnPreview, &QPushButton::clicked, this,
            Guard::slot(this, &SelectionWindow::previewClick));
    connect(btnRecord, &QPushButton::clicked, this,
            Guard::slot(this, &SelectionWindow::recordClick));
    connect(btnExtend, &QPushButton::clicked, this,
            Guard::slot(this, &SelectionWindow::extendClick));
    connect(btnNewSeed, &QPushButton::clicked, this,
            Guard::slot(this, &SelectionWindow::newSeedClick));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    const auto changed = Guard::slot(this, &SelectionWindow::inputsChanged);
    for (QLineEdit *edit : {edtThreshold, edtSize, edtTolerable, edtExpected})
        connect(edit, &QLineEdit::textChanged, this, changed);
    connect(cbbMethod, &QComboBox::currentIndexChanged, this, changed);
    connect(cbbConfidence, &QComboBox::currentIndexChanged, this, changed);
    connect(chkComputeSize, &QCheckBox::toggled, this, changed);

    reload();
}

SelectionWindow::~SelectionWindow() = default;

void SelectionWindow::setLedger(LedgerStore *ledger)
{
    m_ledger = ledger;
    showSelection();
}

void SelectionWindow::reload()
{
    // The lists point into the population: they let go of it before it goes.
    m_picks->setPicks(nullptr, {});
    m_choices->setRows(nullptr, {});
    m_population.reset();
    m_populationError.clear();
    try {
        const BusyCursor busy;
        m_population.emplace(Population::fromTable(m_table, m_settings));
    } catch (const Exception &error) {
        m_populationError = error.message();
    }
    if (m_population) {
        int credits = 0, zeros = 0;
        for (int position = 0; position < m_population->size(); ++position) {
            credits += m_population->cents(position) < 0;
            zeros += m_population->cents(position) == 0;
        }
        lblPopulation->setText(
            QStringLiteral("行数 %1，账面金额合计 %2，贷方余额 %3 行，零余额 %4 行")
                .arg(m_population->size())
                .arg(Cents::text(m_population->totalCents()))
                .arg(credits)
                .arg(zeros));
        lblPopulation->setStyleSheet(QString());
    } else {
        lblPopulation->setText(QStringLiteral("无法选样：%1").arg(m_populationError));
        lblPopulation->setStyleSheet(QStringLiteral("color: #a00000"));
    }
    m_listingAll = false;
    showChoices();
    showSize();
    showSelection();
}

const Population &SelectionWindow::population() const
{
    if (!m_population)
        throw Exception(m_populationError.isEmpty() ? QStringLiteral("请先导入应收帐款")
                                                    : m_populationError);
    return *m_population;
}

SelectionDraft SelectionWindow::draft() const
{
    SelectionDraft draft;
    draft.threshold = edtThreshold->text();
    draft.method = SamplingMethod(cbbMethod->currentData().toInt());
    draft.computeSize = chkComputeSize->isChecked();
    draft.size = edtSize->text();
    draft.tolerable = edtTolerable->text();
    draft.expected = edtExpected->text();
    draft.confidence = cbbConfidence->currentData().toInt();
    draft.seed = edtSeed->text();
    draft.manual = m_choices->checked();
    return draft;
}

void SelectionWindow::inputsChanged()
{
    showChoices();
    showSize();
}

void SelectionWindow::showChoices()
{
    const SamplingMethod method = SamplingMethod(cbbMethod->currentData().toInt());
    const bool manual = method == SamplingMethod::Manual;
    const bool monetary = SelectionDraft::monetary(method);
    chkComputeSize->setEnabled(monetary);
    const bool computed = monetary && chkComputeSize->isChecked();
    edtSize->setEnabled(!manual && !computed);
    for (QWidget *field :
         {static_cast<QWidget *>(edtTolerable), static_cast<QWidget *>(edtExpected),
          static_cast<QWidget *>(cbbConfidence)})
        field->setEnabled(computed);
    if (!m_population) {
        lblOwnKind->setText(QString());
        return;
    }
    if (manual) {
        if (!m_listingAll)
            m_choices->setAllRows(&*m_population);
        m_listingAll = true;
        lblOwnKind->setText(
            QStringLiteral("全部 %1 行，勾选要选取的行(&W)：").arg(m_population->size()));
        return;
    }
    if (m_listingAll || m_choices->rowCount() == 0) {
        QList<int> ownKind;
        for (int position = 0; position < m_population->size(); ++position)
            if (m_population->cents(position) <= 0)
                ownKind.append(position);
        m_choices->setRows(&*m_population, ownKind);
    }
    m_listingAll = false;
    lblOwnKind->setText(QStringLiteral("贷方余额与零余额 %1 行，不参与抽样；勾选的行手工选入(&W)：")
                            .arg(m_choices->rowCount()));
}

void SelectionWindow::showSize()
{
    lblSize->setStyleSheet(QString());
    lblInterval->clear();
    const SelectionDraft inputs = draft();
    if (!m_population || !SelectionDraft::monetary(inputs.method)) {
        lblSize->clear();
        return;
    }
    try {
        const std::optional<qint64> threshold = inputs.thresholdCents(m_settings);
        if (inputs.computeSize) {
            const SampleSize::Result size = inputs.computedSize(*m_population, m_settings);
            const QSignalBlocker quiet(edtSize);
            edtSize->setText(QString::number(size.size));
            lblSize->setText(QStringLiteral("样本量 %1（保证系数 %2，扩张系数 %3）")
                                 .arg(size.size)
                                 .arg(size.factor, 0, 'f', 2)
                                 .arg(size.expansion, 0, 'f', 1));
            lblInterval->setText(
                QStringLiteral("抽样区间 %1").arg(Cents::text(qRound64(size.intervalCents))));
            return;
        }
        lblSize->clear();
        bool ok = false;
        const int typed = inputs.size.trimmed().toInt(&ok);
        if (ok && typed > 0)
            lblInterval->setText(
                QStringLiteral("抽样区间 %1")
                    .arg(Cents::text(qRound64(
                        double(Sampler::frameOf(*m_population, threshold).cents) / typed))));
    } catch (const Exception &error) {
        // Said beside the fields while the user types; the same raises on 预览.
        lblSize->setText(error.message());
        lblSize->setStyleSheet(QStringLiteral("color: #a00000"));
    }
}

void SelectionWindow::previewClick()
{
    const Population &from = population();
    const SelectionPlan plan = draft().plan(from, m_settings);
    BusyCursor busy;
    SamplingOutcome outcome = Sampler::select(from, plan);
    m_picks->setPicks(&from, outcome.picks);
    m_picksRecorded = false;
    busy.restore();
    lblPicks->setText(QStringLiteral("预览（尚未记入台账）：%1").arg(m_picks->summary()));
}

void SelectionWindow::recordClick()
{
    if (!m_ledger)
        throw Exception(QStringLiteral("请先新建或打开函证台账：选样记录在台账中"));
    const Population &from = population();
    const SelectionPlan plan = draft().plan(from, m_settings);
    std::optional<SamplingOutcome> outcome;
    {
        const BusyCursor busy;
        outcome = Sampler::select(from, plan);
    }
    if (const auto earlier = SelectionRecording::madeFrom(*m_ledger, from.sha256())) {
        const QString when = earlier->rounds.isEmpty()
                                 ? QString()
                                 : earlier->rounds.constFirst().time.toLocalTime().toString(
                                       QStringLiteral("yyyy-MM-dd HH:mm"));
        const QString made = QStringLiteral("%1，%2，选取 %3 行")
                                 .arg(when, earlier->method)
                                 .arg(earlier->picks.size());
        if (!Prompts::current().askOkCancel(
                this, kCaption,
                QStringLiteral("此总体已有选样（%1），重新选样将另立一次，原选样仍留在台账中。"
                               "是否继续？")
                    .arg(made)))
            return;
    }
    {
        const BusyCursor busy;
        SelectionRecording::record(*m_ledger, from, plan, *outcome);
    }
    showSelection();
    if (m_recorded)
        m_recorded();
}

void SelectionWindow::extendClick()
{
    if (!m_ledger)
        throw Exception(QStringLiteral("请先新建或打开函证台账：选样记录在台账中"));
    const Population &from = population();
    if (!m_selection)
        throw Exception(QStringLiteral("此表格还没有记入台账的选样，不能扩大样本"));
    const SelectionPlan plan = SelectionRecording::planOf(*m_selection);
    // Rows ticked now and not picked before go in by hand; a manual selection draws nothing.
    QSet<int> earlier;
    for (const SelectionPick &pick : m_selection->picks)
        earlier.insert(pick.position);
    QList<int> byHand;
    for (int position : m_choices->checked())
        if (!earlier.contains(position))
            byHand.append(position);
    const int added = plan.method == SamplingMethod::Manual ? 0 : spnExtend->value();
    if (added == 0 && byHand.isEmpty())
        throw Exception(plan.method == SamplingMethod::Manual
                            ? QStringLiteral("请勾选要加入的行：已勾选的行都已选中")
                            : QStringLiteral("请填写再抽取的数量，或勾选要手工加入的行"));
    qsizetype picked = 0;
    {
        const BusyCursor busy;
        const SamplingOutcome outcome = Sampler::extend(from, *m_selection, plan, added, byHand);
        SelectionRecording::recordExtension(*m_ledger, *m_selection, added, byHand, outcome);
        picked = outcome.picks.size();
    }
    showSelection();
    if (m_recorded)
        m_recorded();
    // Points that fall on rows picked before add none: the user is told, not left guessing.
    const QString drawn = added == 0 ? QString()
                                     : QStringLiteral("已再抽取 %1 %2，")
                                           .arg(added)
                                           .arg(plan.method == SamplingMethod::SimpleRandom
                                                    ? QStringLiteral("行")
                                                    : QStringLiteral("个货币单位"));
    Prompts::current().inform(
        this, QStringLiteral("扩大样本"),
        drawn + (picked > 0 ? QStringLiteral("新选中 %1 行。").arg(picked)
                            : QStringLiteral("都落在已选中的行上，没有新选中的行；扩大样本已记入"
                                             "台账。")));
}

void SelectionWindow::newSeedClick()
{
    edtSeed->setText(SampleStream::newSeed());
}

void SelectionWindow::showSelection()
{
    m_selection.reset();
    if (m_ledger && m_population)
        m_selection = SelectionRecording::madeFrom(*m_ledger, m_population->sha256());
    if (!m_selection) {
        txtSummary->clear();
        // A preview stays; the picks of a selection no longer in view go.
        if (m_picksRecorded)
            m_picks->setPicks(nullptr, {});
        m_picksRecorded = false;
        if (m_picks->rowCount() == 0)
            lblPicks->setText(QStringLiteral("选中的行（预览后列在这里）："));
        enableCommands();
        return;
    }
    QStringList lines;
    for (const auto &[label, value] :
         SelectionSummary::lines(*m_selection, m_ledger->population(m_selection->id)))
        lines.append(QStringLiteral("%1：%2").arg(label, value));
    txtSummary->setPlainText(lines.join(QLatin1Char('\n')));
    m_picks->setPicks(&*m_population, m_selection->picks);
    m_picksRecorded = true;
    lblPicks->setText(QStringLiteral("已记入台账的选样：%1").arg(m_picks->summary()));
    enableCommands();
}

void SelectionWindow::enableCommands()
{
    const bool drawable = m_population.has_value();
    // A read-only ledger shows its selection; nothing goes into it.
    const bool writable = m_ledger && !m_ledger->readOnly();
    btnPreview->setEnabled(drawable);
    btnRecord->setEnabled(drawable && writable);
    btnExtend->setEnabled(drawable && writable && m_selection);
    const QString readOnly = m_ledger && m_ledger->readOnly()
                                 ? QStringLiteral("函证台账以只读方式打开（%1）：不能记入选样")
                                       .arg(m_ledger->readOnlyReason())
                                 : QString();
    btnRecord->setToolTip(readOnly);
    btnExtend->setToolTip(readOnly);
    spnExtend->setEnabled(btnExtend->isEnabled() &&
                          SelectionRecording::planOf(*m_selection).method !=
                              SamplingMethod::Manual);
}
