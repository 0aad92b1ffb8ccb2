#pragma once
// The designer's undo commands, all in one place. Each holds whole values before and
// after, keyed by element id, never by pointer or list position.

#include "DesignDocument.h"

#include <QUndoCommand>

namespace DesignCommands {

class Insert : public QUndoCommand
{
public:
    Insert(DesignDocument &document, QList<DesignDocument::Placed> placed, const QString &text);
    void redo() override;
    void undo() override;

private:
    DesignDocument &m_document;
    QList<DesignDocument::Placed> m_placed;
};

class Remove : public QUndoCommand
{
public:
    Remove(DesignDocument &document, const QList<ElementId> &ids, const QString &text);
    void redo() override;
    void undo() override;

private:
    DesignDocument &m_document;
    QList<DesignDocument::Placed> m_placed;
};

class Change : public QUndoCommand
{
public:
    Change(DesignDocument &document, QHash<ElementId, ReportElement> after, const QString &text,
           int mergeKey);
    void redo() override;
    void undo() override;
    int id() const override { return m_mergeKey > 0 ? m_mergeKey : -1; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    DesignDocument &m_document;
    QHash<ElementId, ReportElement> m_before;
    QHash<ElementId, ReportElement> m_after;
    int m_mergeKey;
    int m_gesture;
};

class Order : public QUndoCommand
{
public:
    Order(DesignDocument &document, QList<ElementId> after, const QString &text);
    void redo() override;
    void undo() override;

private:
    DesignDocument &m_document;
    QList<ElementId> m_before;
    QList<ElementId> m_after;
};

class Page : public QUndoCommand
{
public:
    Page(DesignDocument &document, DesignDocument::PageState after, const QString &text);
    void redo() override;
    void undo() override;

private:
    DesignDocument &m_document;
    DesignDocument::PageState m_before, m_after;
};

class Fields : public QUndoCommand
{
public:
    Fields(DesignDocument &document, QList<FieldDeclaration> fields,
           const QHash<ElementId, ReportElement> &elementChanges, const QString &text);
    void redo() override;
    void undo() override;

private:
    DesignDocument &m_document;
    QList<FieldDeclaration> m_before, m_after;
    QHash<ElementId, ReportElement> m_elementsBefore, m_elementsAfter;
};

} // namespace DesignCommands
