#include "DesignDocument.h"

#include "DesignCommands.h"

#include <QUndoStack>

DesignDocument::DesignDocument(QObject *parent) : QObject(parent), m_undo(new QUndoStack(this))
{
    connect(m_undo, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

DesignDocument::~DesignDocument() = default;

void DesignDocument::reset(const ReportTemplate &report)
{
    m_undo->clear();
    for (ElementId id : std::as_const(m_ids))
        emit elementRemoved(id);
    m_template = report;
    m_ids.clear();
    for (qsizetype i = 0; i < report.elements.size(); ++i)
        m_ids.append(newId());
    for (ElementId id : std::as_const(m_ids))
        emit elementInserted(id);
    emit pageChanged();
    emit fieldsChanged();
    emit orderChanged();
    emit changed();
    m_undo->setClean();
    emit modifiedChanged(false);
}

const ReportElement &DesignDocument::element(ElementId id) const
{
    return m_template.elements.at(m_ids.indexOf(id));
}

QList<ElementId> DesignDocument::insertElements(const QList<ReportElement> &elements,
                                                const QString &text)
{
    QList<Placed> placed;
    QList<ElementId> ids;
    int index = int(m_ids.size());
    for (const ReportElement &element : elements) {
        placed.append({newId(), index++, element});
        ids.append(placed.last().id);
    }
    if (!placed.isEmpty())
        m_undo->push(new DesignCommands::Insert(*this, placed, text));
    return ids;
}

void DesignDocument::removeElements(const QList<ElementId> &ids, const QString &text)
{
    if (!ids.isEmpty())
        m_undo->push(new DesignCommands::Remove(*this, ids, text));
}

void DesignDocument::changeElements(const QHash<ElementId, ReportElement> &after,
                                    const QString &text, int mergeKey)
{
    QHash<ElementId, ReportElement> changes;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (contains(it.key()) && element(it.key()) != it.value())
            changes.insert(it.key(), it.value());
    if (!changes.isEmpty())
        m_undo->push(new DesignCommands::Change(*this, changes, text, mergeKey));
}

void DesignDocument::reorder(const QList<ElementId> &ids, bool toFront)
{
    QList<ElementId> moving, staying;
    for (ElementId id : std::as_const(m_ids))
        (ids.contains(id) ? moving : staying).append(id);
    const QList<ElementId> order = toFront ? staying + moving : moving + staying;
    if (order != m_ids)
        m_undo->push(new DesignCommands::Order(
            *this, order, toFront ? QStringLiteral("置于顶层") : QStringLiteral("置于底层")));
}

void DesignDocument::bringToFront(const QList<ElementId> &ids)
{
    reorder(ids, true);
}

void DesignDocument::sendToBack(const QList<ElementId> &ids)
{
    reorder(ids, false);
}

DesignDocument::PageState DesignDocument::pageState() const
{
    return {m_template.page, m_template.title, m_template.band, m_template.replyAreas};
}

void DesignDocument::changePage(const PageState &state, const QString &text)
{
    if (state != pageState())
        m_undo->push(new DesignCommands::Page(*this, state, text));
}

void DesignDocument::setPage(const PageSetup &page, const QString &title)
{
    PageState state = pageState();
    state.page = page;
    state.title = title;
    changePage(state, QStringLiteral("页面设置"));
}

void DesignDocument::setBand(const DetailBand &band)
{
    PageState state = pageState();
    // A band without height is none, wherever its top was left.
    state.band = band.isSet() ? band : DetailBand{};
    changePage(state, QStringLiteral("明细区"));
}

void DesignDocument::setReplyAreas(const QList<QRectF> &areas, const QString &text)
{
    PageState state = pageState();
    state.replyAreas = areas;
    changePage(state, text);
}

void DesignDocument::setFields(const QList<FieldDeclaration> &fields,
                               const QHash<ElementId, ReportElement> &elementChanges,
                               const QString &text)
{
    if (fields != m_template.fields)
        m_undo->push(new DesignCommands::Fields(*this, fields, elementChanges, text));
}

bool DesignDocument::isModified() const
{
    return !m_undo->isClean();
}

void DesignDocument::markSaved()
{
    m_undo->setClean();
}

void DesignDocument::applyInsert(const QList<Placed> &placed)
{
    for (const Placed &p : placed) {
        const int index = std::clamp(p.index, 0, int(m_ids.size()));
        m_ids.insert(index, p.id);
        m_template.elements.insert(index, p.element);
    }
    for (const Placed &p : placed)
        emit elementInserted(p.id);
    emit orderChanged();
    emit changed();
}

void DesignDocument::applyRemove(const QList<ElementId> &ids)
{
    for (ElementId id : ids) {
        const qsizetype index = m_ids.indexOf(id);
        if (index < 0)
            continue;
        m_ids.removeAt(index);
        m_template.elements.removeAt(index);
        emit elementRemoved(id);
    }
    emit changed();
}

void DesignDocument::applyValues(const QHash<ElementId, ReportElement> &values)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        const qsizetype index = m_ids.indexOf(it.key());
        if (index < 0)
            continue;
        m_template.elements[index] = it.value();
        emit elementChanged(it.key());
    }
    emit changed();
}

void DesignDocument::applyOrder(const QList<ElementId> &order)
{
    QList<ReportElement> elements;
    for (ElementId id : order)
        elements.append(element(id));
    m_ids = order;
    m_template.elements = elements;
    emit orderChanged();
    emit changed();
}

void DesignDocument::applyPage(const PageState &state)
{
    m_template.page = state.page;
    m_template.title = state.title;
    m_template.band = state.band;
    m_template.replyAreas = state.replyAreas;
    emit pageChanged();
    emit changed();
}

void DesignDocument::applyFields(const QList<FieldDeclaration> &fields)
{
    m_template.fields = fields;
    emit fieldsChanged();
    emit changed();
}
