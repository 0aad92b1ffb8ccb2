#pragma once
// The designer control: a visual editor of a report template with a tool box, a canvas
// with rulers, a property panel and a status line. It edits the template of the engine
// it is attached to, and hands it back on CommitDesign.

#include "DesignDocument.h"
#include "SampleData.h"

#include <QWidget>

class DesignCanvas;
class PropertyPanel;
class QAction;
class QComboBox;
class QLabel;
class QToolBar;
class ReportEngine;

class DesignerControl : public QWidget
{
    Q_OBJECT
public:
    explicit DesignerControl(QWidget *parent = nullptr);
    ~DesignerControl() override;

    // The designer shows and edits the engine's report from now on.
    void AttachReport(ReportEngine &engine);
    // The attached report takes exactly what the designer shows.
    void CommitDesign();
    // True while a text is being edited in place on the canvas; setting it false ends the
    // edit and keeps what was typed, so a save that follows includes it.
    bool DesignerProperty18() const;
    void setDesignerProperty18(bool editing);

    // What the owner can supply: fields with their types and sample records.
    void setSampleData(const SampleData &data);
    // The name shown in the status line, e.g. the template's file name.
    void setDocumentName(const QString &name);
    // After a successful save: nothing is modified any more.
    void markSaved();
    bool isModified() const;

    DesignDocument &document() { return m_document; }
    DesignCanvas *canvas() const { return m_canvas; }
    PropertyPanel *propertyPanel() const { return m_panel; }

    // The editing commands, as the tool buttons and keys run them.
    void insertElement(ElementKind kind);
    void deleteSelection();
    void selectAll();
    void copy();
    void cut();
    void paste();
    void duplicate();

signals:
    // The user asked to save from inside the designer (its save button or Ctrl+S).
    void saveReportRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QAction *addCommand(QToolBar *bar, const char *name, const QString &text, const QString &tip,
                        const QKeySequence &key, const std::function<void()> &run);
    void buildToolBars();
    void updateStatus();
    void updateActions();

    DesignDocument m_document;
    ReportEngine *m_engine = nullptr;
    DesignCanvas *m_canvas;
    PropertyPanel *m_panel;
    QToolBar *m_tools;
    QToolBar *m_arrange;
    QComboBox *m_zoom;
    QComboBox *m_record;
    QAction *m_samples;
    QLabel *m_statusName;
    QLabel *m_statusModified;
    QLabel *m_statusCursor;
    QLabel *m_statusSelection;
    QString m_documentName;
    QList<QAction *> m_needSelection;
    int m_pasteCount = 0;
    bool m_shownOnce = false;
};
