#include "DesignCommands.h"

namespace DesignCommands {

namespace {
QHash<ElementId, ReportElement> valuesOf(const DesignDocument &document,
                                         const QList<ElementId> &ids)
{
    QHash<ElementId, ReportElement> values;
    for (ElementId id : ids)
        values.insert(id, document.element(id));
    return values;
}
} // namespace

Insert::Insert(DesignDocument &document, QList<DesignDocument::Placed> placed, const QString &text)
    : QUndoCommand(text), m_document(document), m_placed(std::move(placed))
{
}

void Insert::redo()
{
    m_document.applyInsert(m_placed);
}

void Insert::undo()
{
    QList<ElementId> ids;
    for (const DesignDocument::Placed &p : std::as_const(m_placed))
        ids.append(p.id);
    m_document.applyRemove(ids);
}

Remove::Remove(DesignDocument &document, const QList<ElementId> &ids, const QString &text)
    : QUndoCommand(text), m_document(document)
{
    for (ElementId id : document.ids())
        if (ids.contains(id))
            m_placed.append({id, document.indexOf(id), document.element(id)});
}

void Remove::redo()
{
    QList<ElementId> ids;
    for (const DesignDocument::Placed &p : std::as_const(m_placed))
        ids.append(p.id);
    m_document.applyRemove(ids);
}

void Remove::undo()
{
    m_document.applyInsert(m_placed); // ascending positions: each lands where it was
}

Change::Change(DesignDocument &document, QHash<ElementId, ReportElement> after, const QString &text,
               int mergeKey)
    : QUndoCommand(text), m_document(document), m_before(valuesOf(document, after.keys())),
      m_after(std::move(after)), m_mergeKey(mergeKey), m_gesture(document.gesture())
{
}

void Change::redo()
{
    m_document.applyValues(m_after);
}

void Change::undo()
{
    m_document.applyValues(m_before);
}

bool Change::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const Change *>(other);
    if (next->m_gesture != m_gesture || next->m_mergeKey != m_mergeKey)
        return false;
    for (auto it = next->m_after.begin(); it != next->m_after.end(); ++it) {
        if (!m_before.contains(it.key()))
            m_before.insert(it.key(), next->m_before.value(it.key()));
        m_after.insert(it.key(), it.value());
    }
    // Typed back to where it began: no step is left in the history.
    setObsolete(m_after == m_before);
    return true;
}

Order::Order(DesignDocument &document, QList<ElementId> after, const QString &text)
    : QUndoCommand(text), m_document(document), m_before(document.ids()), m_after(std::move(after))
{
}

void Order::redo()
{
    m_document.applyOrder(m_after);
}

void Order::undo()
{
    m_document.applyOrder(m_before);
}

Page::Page(DesignDocument &document, DesignDocument::PageState after, const QString &text)
    : QUndoCommand(text), m_document(document), m_before(document.pageState()),
      m_after(std::move(after))
{
}

void Page::redo()
{
    m_document.applyPage(m_after);
}

void Page::undo()
{
    m_document.applyPage(m_before);
}

Fields::Fields(DesignDocument &document, QList<FieldDeclaration> fields,
               const QHash<ElementId, ReportElement> &elementChanges, const QString &text)
    : QUndoCommand(text), m_document(document), m_before(document.reportTemplate().fields),
      m_after(std::move(fields)), m_elementsBefore(valuesOf(document, elementChanges.keys())),
      m_elementsAfter(elementChanges)
{
}

void Fields::redo()
{
    m_document.applyFields(m_after);
    m_document.applyValues(m_elementsAfter);
}

void Fields::undo()
{
    m_document.applyValues(m_elementsBefore);
    m_document.applyFields(m_before);
}

} // namespace DesignCommands
