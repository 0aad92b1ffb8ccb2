#pragma once
// The designer control: a visual editor of a report template with a tool box, a canvas
// with rulers, a property panel and a status line. It edits the template of the engine
// it is attached to, and hands it back on CommitDesign.

#include "DesignDocument.h"
#include "SampleData.h"

#include <QWidget>
#include <functional>
#include <optional>

class DesignCanvas;
class PropertyPanel;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QMenu;
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

    // What the owner can supply: fields with their types and sample records. The chosen
    // record stays chosen while it exists, else the last one is.
    void setSampleData(const SampleData &data);
    // The name shown in the status line, e.g. the template's file name.
    void setDocumentName(const QString &name);
    // A line of its own in the status bar, e.g. that the file does not exist yet.
    void setNotice(const QString &notice);
    // After a successful save: nothing is modified any more.
    void markSaved();
    bool isModified() const;

    DesignDocument &document() { return *m_document; }
    DesignCanvas *canvas() const { return m_canvas; }
    PropertyPanel *propertyPanel() const { return m_panel; }

    // The editing commands, as the tool buttons and keys run them. An element inserted
    // without a place goes where the user is looking; a picture asks for its file first.
    void insertElement(ElementKind kind, std::optional<QRectF> rectMm = std::nullopt);
    void insertField(const QString &name, QPointF atMm);
    void deleteSelection();
    void selectAll();
    void copy();
    void cut();
    void paste();
    void duplicate();
    void undo();
    void redo();
    // The context menu as it would open now, for the selection.
    QMenu *contextMenu();

signals:
    // The user asked to save from inside the designer (its save button or Ctrl+S).
    void saveReportRequested();
    // The user asked for 另存为…, 新建 or 预览; the owner knows where templates live and
    // where real records come from.
    void saveAsRequested();
    void newRequested();
    void previewRequested();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Command;
    QAction *addCommand(QToolBar *bar, const Command &command);
    void buildToolBars();
    void buildInsertTools();
    void buildArrangeBar();
    void buildViewControls();
    void updateStatus();
    // How many sample rows the selected element's text does not fit, in the status line.
    void countOverflows();
    void updateActions();
    void applyZoomChoice(int percent);
    void insertPlaced(QList<ReportElement> elements, const QString &step);

    // Declared first: the widgets below refer to it, so it goes last.
    std::unique_ptr<DesignDocument> m_document;
    ReportEngine *m_engine = nullptr;
    DesignCanvas *m_canvas;
    PropertyPanel *m_panel;
    QToolBar *m_tools;
    QToolBar *m_arrange;
    QActionGroup *m_insertTools;
    QComboBox *m_zoom;
    QComboBox *m_record;
    QAction *m_samples;
    QLabel *m_statusName;
    QLabel *m_statusModified;
    QLabel *m_statusNotice;
    QLabel *m_statusCursor;
    QLabel *m_statusSelection;
    QLabel *m_statusOverflow;
    QLabel *m_statusOutside;
    QPushButton *m_showOverflow;
    QTimer *m_overflowTimer;
    QList<int> m_overflowRecords;
    QString m_documentName;
    QList<QAction *> m_needSelection;
    QList<QAction *> m_contextActions;
    QMenu *m_contextMenu = nullptr;
    bool m_shownOnce = false;
};
