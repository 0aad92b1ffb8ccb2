#pragma once
// A window's report engine component: the operations of the report engine by their
// names, the engine created on first use, and the print preview.

#include "DocumentWording.h"
#include "PreviewWindow.h"
#include "ReportEngine.h"

#include <QObject>
#include <functional>
#include <memory>

class ReportComponent : public QObject
{
    Q_OBJECT
public:
    explicit ReportComponent(QObject *parent = nullptr);
    ~ReportComponent() override;

    bool LoadTemplateFile(const QString &path);
    bool SaveTemplateFile(const QString &path);
    QString Title();
    void setTitle(const QString &title);
    // Generates the report and shows it in the modal print preview. The argument is
    // the owner window's handle as engines take it; -1 for the component's own window.
    void ShowPreview(int parentWindow);
    DetailRecordStore &DetailRecords();
    ReportField LookupField(const QString &name);

    // What the preview and its progress call the documents; neutral until set.
    void setWording(const DocumentWording &wording) { m_wording = wording; }

    // An export of the caller's own in every preview shown, after the PDF exports.
    void setPreviewExport(const PreviewWindow::Export &exported) { m_export = exported; }

    // Called with every document once its records are in, before its preview is made: it
    // may complete values that the run as a whole decides (a code made of the record).
    void setDocumentMade(std::function<void(ReportDocument &document)> made)
    {
        m_made = std::move(made);
    }

    // Called with every preview once its pages are made, before it shows: it may set the
    // preview up (an output listener), or raise to stop it from showing.
    void setPreviewShowing(std::function<void(PreviewWindow &preview)> showing)
    {
        m_showing = std::move(showing);
    }

    // Bound to the engine's fetch-record event.
    void setOnFetchRecord(std::function<void()> handler);
    // The engine, created (connected) on first use.
    ReportEngine &engine();
    bool isConnected() const { return bool(m_engine); }

private:
    template <typename Operation> auto call(Operation &&operation);

    std::unique_ptr<ReportEngine> m_engine;
    std::function<void()> m_onFetchRecord;
    DocumentWording m_wording;
    PreviewWindow::Export m_export;
    std::function<void(PreviewWindow &)> m_showing;
    std::function<void(ReportDocument &)> m_made;
};
