#pragma once
// The designer's properties: of the selected elements (several at once: common values are
// shown and an edit applies to all), of the page and of the declared fields. A typed value
// is applied when its edit ends, as one undo step; a click is a step of its own.

#include "DesignDocument.h"

#include <QWidget>

class DesignCanvas;
class FieldsTab;
class PageTab;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace ElementProperties {
struct Property;
}

class PropertyPanel : public QWidget
{
    Q_OBJECT
public:
    PropertyPanel(DesignDocument &document, DesignCanvas &canvas, QWidget *parent = nullptr);
    ~PropertyPanel() override;

    // Inserts {name:format} into the selected text, or as a new text element, declaring a
    // field the template does not know yet. One undo step.
    void insertPlaceholder(const QString &name, const QString &format);
    // Declares a field of the owner's that the template does not know yet (an undo step).
    void declareField(const QString &name);
    // The formats offered for a field or system value, with "" for none.
    static QStringList formatsFor(const QString &name, FieldType type);
    // Loads a picture file into the selected picture elements.
    void choosePicture();

    // Shows the element tab, whichever tab is open.
    void showElementProperties();
    // The sample values changed: the examples follow.
    void refreshSamples();
    // A value being typed in a box is applied now (before an undo, a save).
    void applyTyping();
    bool isTyping() const;

    // Tabs: 0 element, 1 page, 2 fields.
    QTabWidget *tabs() const { return m_tabs; }

private:
    void buildElementTab();
    void buildElementBoxes();
    void buildTextGroup(QLayout *layout);
    void buildPropertyGroups(QLayout *layout);
    QWidget *makeBox(int index);
    void buildTableGroup(QLayout *layout);
    void buildPictureGroup(QLayout *layout);
    void refresh();
    void refreshElement();
    // False when no selected element has the property.
    bool refreshProperty(int index, const QList<ReportElement> &elements);
    void refreshTable(const ReportElement &table);
    void refreshInserter();
    void refreshExample();

    void applyProperty(int index, const QVariant &value);
    // Applies 'change' to every selected element; 'key' merges a run of typing.
    void edit(int key, const QString &what, const std::function<void(ReportElement &)> &change);
    void chooseColour(int index);
    QList<FieldDeclaration> knownFields() const;
    QStringList itemsFor(int index, const QList<ReportElement> &elements) const;
    FieldType typeOf(const QString &name) const;
    QVariant sampleValue(const QString &name) const;

    DesignDocument &m_document;
    DesignCanvas &m_canvas;
    bool m_refreshing = false;
    QMetaObject::Connection m_focusWatch;
    QTabWidget *m_tabs;
    PageTab *m_pageTab = nullptr;
    FieldsTab *m_fieldsTab = nullptr;

    QScrollArea *m_scroll;
    QWidget *m_elementTab;
    QLabel *m_selectionLabel;
    bool m_built = false;
    QGroupBox *m_textBox = nullptr, *m_tableBox = nullptr, *m_pictureBox = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QComboBox *m_insertName = nullptr, *m_insertFormat = nullptr;
    QPushButton *m_insert = nullptr;
    QLabel *m_example = nullptr;
    // One box a property, as ElementProperties::all() lists them.
    QList<QWidget *> m_boxes;
    QHash<int, QGroupBox *> m_groups; // by ElementProperties::Group
    QHash<int, QFormLayout *> m_groupForms;
    QSpinBox *m_rows = nullptr, *m_columns = nullptr;
    QLineEdit *m_columnWidths = nullptr, *m_rowHeights = nullptr;
    QTableWidget *m_cells = nullptr;
    QWidget *m_keepAspect = nullptr;
};
