#pragma once
// The print preview: a report page by page, zoom, paging, printing and PDF export.
// Modal: nothing else changes while its pages are shown.

#include "DocumentWording.h"
#include "ReportDocument.h"

#include <QDialog>
#include <functional>
#include <memory>

class PageRenderer;
class PageView;
class QAction;
class QComboBox;
class QLabel;
class QToolBar;

class PreviewWindow : public QDialog
{
    Q_OBJECT
public:
    PreviewWindow(ReportDocument document, DocumentWording wording = {}, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    PageView *pageView() const { return m_view; }
    const ReportDocument &document() const { return m_document; }

    void printPages();
    void exportPdf();
    void exportEachPdf();
    // An export of the caller's own, placed after the PDF exports; it runs through the guard.
    struct Export
    {
        QString objectName;
        QString text;
        std::function<void(PreviewWindow &preview)> run;
    };
    void addExport(const Export &exported);
    // What a print or export put out, once it has succeeded.
    struct Output
    {
        enum Kind
        {
            Printer, // 'where' names the printer, or the file printed to
            Pdf,     // the file
            EachPdf  // the folder; 'fileSha256' holds each file's SHA-256 (hex), by page
        } kind;
        QString where;
        QList<int> pages; // from 0, each once
        QList<QByteArray> fileSha256;
        QStringList files; // EachPdf: each page's file, by page
    };
    // Told of every output before the user is; it runs through the guard, so what it raises
    // is shown in the error box (the output itself is done by then).
    void setOutputListener(std::function<void(const Output &)> listener)
    {
        m_outputListener = std::move(listener);
    }

private:
    QString chooseFileNameField();
    bool acceptFileNames(const QString &field, const QStringList &texts);
    bool acceptOverwriting(const QString &folder, const QStringList &names);
    void addActions();
    void updatePageLabel();
    void zoomChosen(int index);
    void showZoom();
    // Says in the tool bar how many pages have texts that do not fit, once.
    void sayOverflows();
    void tell(const Output &output);
    QList<int> allPages() const;

    ReportDocument m_document;
    DocumentWording m_wording;
    std::unique_ptr<PageRenderer> m_renderer;
    PageView *m_view;
    QToolBar *m_toolBar;
    QLabel *m_pageLabel;
    QLabel *m_overflowLabel;
    bool m_overflowsSaid = false;
    QComboBox *m_zoom;
    QList<QAction *> m_needPages;
    QAction *m_afterExports = nullptr; // where callers' exports go
    std::function<void(const Output &)> m_outputListener;
};
