#pragma once
// The fields tab of the designer's panel: the template's declared fields with their types,
// where the owner takes each one's values from and its value in the record shown,
// added, renamed (their uses follow) and removed (asking first when elements use the field
// or the owner's run needs it). A field dragged from the list onto the page shows there.

#include <QWidget>

class DesignDocument;
class DesignCanvas;
class QLabel;
class QTableWidget;

class FieldsTab : public QWidget
{
    Q_OBJECT
public:
    FieldsTab(DesignDocument &document, DesignCanvas &canvas, QWidget *parent = nullptr);
    void refresh();

    // The question asked before removing a field in use, or an empty text when none is.
    static QString removalQuestion(const DesignDocument &document, const QString &name,
                                   bool required);

private:
    void addField();
    void renameField();
    void removeField();
    void setFieldType(int row, int type);
    void showSource(int row, const QString &field);

    DesignDocument &m_document;
    DesignCanvas &m_canvas;
    QTableWidget *m_fields;
    QLabel *m_warnings;
};
