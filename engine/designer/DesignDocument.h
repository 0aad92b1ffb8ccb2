#pragma once
// The template under edit in the designer. It changes only through undo commands, which
// hold whole element values keyed by a stable id, and it announces every change.

#include "engine/ReportTemplate.h"

#include <QHash>
#include <QObject>

class QUndoStack;

using ElementId = int;

class DesignDocument : public QObject
{
    Q_OBJECT
public:
    explicit DesignDocument(QObject *parent = nullptr);
    ~DesignDocument() override;

    // Starts over on 'report' with a clean, empty undo history.
    void reset(const ReportTemplate &report);

    const ReportTemplate &reportTemplate() const { return m_template; }
    QUndoStack *undoStack() const { return m_undo; }
    // Element ids in painting order, the last on top.
    const QList<ElementId> &ids() const { return m_ids; }
    int indexOf(ElementId id) const { return int(m_ids.indexOf(id)); }
    bool contains(ElementId id) const { return m_ids.contains(id); }
    const ReportElement &element(ElementId id) const;

    // Each edit is one undo step; 'text' names it in the undo history.
    QList<ElementId> insertElements(const QList<ReportElement> &elements, const QString &text);
    void removeElements(const QList<ElementId> &ids, const QString &text);
    // The whole values the elements take. Edits with the same non-zero 'mergeKey' within
    // one gesture are one step: a run of nudges, typing in one property box.
    void changeElements(const QHash<ElementId, ReportElement> &after, const QString &text,
                        int mergeKey = 0);
    void bringToFront(const QList<ElementId> &ids);
    void sendToBack(const QList<ElementId> &ids);
    void setPage(const PageSetup &page, const QString &title);
    // The detail band; a height of zero clears it.
    void setBand(const DetailBand &band);
    // The free 回函区 of the page, as a whole; 'text' names the step.
    void setReplyAreas(const QList<QRectF> &areas, const QString &text);
    // The declared fields, with the elements whose texts change with them (a renaming).
    void setFields(const QList<FieldDeclaration> &fields,
                   const QHash<ElementId, ReportElement> &elementChanges, const QString &text);

    // Ends the current gesture: the next edit is a step of its own.
    void endGesture() { ++m_gesture; }
    int gesture() const { return m_gesture; }

    bool isModified() const;
    void markSaved();

    // What a page edit changes: everything of the template but its fields and elements.
    struct PageState
    {
        PageSetup page;
        QString title;
        DetailBand band;
        QList<QRectF> replyAreas;

        bool operator==(const PageState &) const = default;
    };
    PageState pageState() const;

    // Used by the undo commands only.
    struct Placed
    {
        ElementId id;
        int index;
        ReportElement element;
    };
    void applyInsert(const QList<Placed> &placed);
    void applyRemove(const QList<ElementId> &ids);
    void applyValues(const QHash<ElementId, ReportElement> &values);
    void applyOrder(const QList<ElementId> &order);
    void applyPage(const PageState &state);
    void applyFields(const QList<FieldDeclaration> &fields);
    ElementId newId() { return m_nextId++; }

signals:
    void elementInserted(ElementId id);
    void elementRemoved(ElementId id);
    void elementChanged(ElementId id);
    void orderChanged();
    void pageChanged();
    void fieldsChanged();
    // After any change, undo and redo included.
    void changed();
    void modifiedChanged(bool modified);

private:
    void reorder(const QList<ElementId> &ids, bool toFront);
    void changePage(const PageState &state, const QString &text);

    ReportTemplate m_template;
    QList<ElementId> m_ids;
    QUndoStack *m_undo;
    ElementId m_nextId = 1;
    int m_gesture = 0;
};
