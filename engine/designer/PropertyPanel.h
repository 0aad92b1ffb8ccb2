#pragma once
// The designer's properties: of the selected elements (several at once: common values are
// shown and an edit applies to all), of the page and of the declared fields. Typing in one
// box is one undo step.

#include "DesignDocument.h"

#include <QWidget>
#include <functional>

class DesignCanvas;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTabWidget;

class PropertyPanel : public QWidget
{
    Q_OBJECT
public:
    PropertyPanel(DesignDocument &document, DesignCanvas &canvas, QWidget *parent = nullptr);

    // Inserts {name:format} into the selected text, or as a new text element, declaring a
    // field the template does not know yet. One undo step.
    void insertPlaceholder(const QString &name, const QString &format);
    // The formats offered for a field or system value, with "" for none.
    static QStringList formatsFor(const QString &name, FieldType type);
    // Loads a picture file into the selected picture elements.
    void choosePicture();

    // Tabs: 0 element, 1 page, 2 fields.
    QTabWidget *tabs() const { return m_tabs; }

private:
    void buildElementTab();
    void buildElementBoxes();
    void buildPageTab();
    void buildFieldsTab();
    void refresh();
    void refreshElement();
    void refreshPage();
    void refreshFields();
    void refreshInserter();

    // Applies 'change' to every selected element; 'key' merges typing in one box.
    void edit(int key, const QString &what, const std::function<void(ReportElement &)> &change);
    void editGeometry(int key, const std::function<void(QRectF &)> &change);
    void editPage(const std::function<void(PageSetup &)> &change);
    void chooseColour(int key, bool pen);
    void addField();
    void renameField();
    void removeField();
    void setFieldType(int row, FieldType type);
    QList<FieldDeclaration> knownFields() const;
    FieldType typeOf(const QString &name) const;
    QVariant sampleValue(const QString &name) const;

    template <typename W> W *named(W *widget, const char *name, const QString &tip);

    DesignDocument &m_document;
    DesignCanvas &m_canvas;
    bool m_refreshing = false;
    QTabWidget *m_tabs;

    QWidget *m_elementTab;
    QLabel *m_selectionLabel;
    QGroupBox *m_geometryBox = nullptr, *m_textBox, *m_fieldBox, *m_systemBox, *m_fontBox,
              *m_lineBox, *m_tableBox, *m_pictureBox;
    QDoubleSpinBox *m_x, *m_y, *m_width, *m_height;
    QLineEdit *m_name;
    QCheckBox *m_locked;
    QPlainTextEdit *m_text;
    QComboBox *m_insertName, *m_insertFormat;
    QLabel *m_insertExample;
    QComboBox *m_field, *m_fieldFormat, *m_systemValue, *m_systemFormat;
    QComboBox *m_family, *m_horizontal, *m_vertical;
    QDoubleSpinBox *m_pointSize, *m_lineSpacing;
    QCheckBox *m_bold, *m_italic, *m_underline, *m_wrap;
    QPushButton *m_textColour;
    QDoubleSpinBox *m_penWidth;
    QPushButton *m_penColour, *m_fillColour;
    QCheckBox *m_dashed, *m_noFill;
    QSpinBox *m_rows, *m_columns;
    QLineEdit *m_columnWidths, *m_rowHeights;
    QTableWidget *m_cells;
    QPushButton *m_picture;
    QCheckBox *m_keepAspect;

    QComboBox *m_paper, *m_orientation;
    QDoubleSpinBox *m_paperWidth, *m_paperHeight, *m_marginLeft, *m_marginTop, *m_marginRight,
        *m_marginBottom;
    QLineEdit *m_title = nullptr;

    QTableWidget *m_fields = nullptr;
};
