#include "ReportComponent.h"

#include "PreviewWindow.h"
#include "ProgressWindow.h"
#include "ReportError.h"
#include "platform/ErrorText.h"

#include <QScopeGuard>
#include <QWidget>

ReportComponent::ReportComponent(QObject *parent) : QObject(parent) {}

ReportComponent::~ReportComponent() = default;

ReportEngine &ReportComponent::engine()
{
    if (!m_engine) {
        m_engine = std::make_unique<ReportEngine>();
        m_engine->setFetchRecordHandler([this] {
            if (m_onFetchRecord)
                m_onFetchRecord();
        });
    }
    return *m_engine;
}

// An engine failure carries the engine's description, cleaned of its ending.
template <typename Operation> auto ReportComponent::call(Operation &&operation)
{
    try {
        return operation(engine());
    } catch (const ReportError &error) {
        throw ReportError(cleanComponentMessage(error.message()));
    }
}

bool ReportComponent::LoadTemplateFile(const QString &path)
{
    return call([&](ReportEngine &e) { return e.LoadTemplateFile(path); });
}

bool ReportComponent::SaveTemplateFile(const QString &path)
{
    return call([&](ReportEngine &e) { return e.SaveTemplateFile(path); });
}

QString ReportComponent::Title()
{
    return call([](ReportEngine &e) { return e.Title(); });
}

void ReportComponent::setTitle(const QString &title)
{
    call([&](ReportEngine &e) {
        e.setTitle(title);
        return 0;
    });
}

DetailRecordStore &ReportComponent::DetailRecords()
{
    return engine().DetailRecords();
}

ReportField ReportComponent::LookupField(const QString &name)
{
    return call([&](ReportEngine &e) { return e.LookupField(name); });
}

void ReportComponent::setOnFetchRecord(std::function<void()> handler)
{
    m_onFetchRecord = std::move(handler);
}

void ReportComponent::ShowPreview(int)
{
    QWidget *owner = qobject_cast<QWidget *>(parent());
    ReportDocument document;
    {
        ProgressWindow progress(owner, QStringLiteral("正在生成%1…").arg(m_wording.runName), 0);
        engine().DetailRecords().setCommitObserver([&](qsizetype committed) {
            if (committed % 50 == 0)
                progress.stepOrAbort(int(committed), QStringLiteral("正在生成%1：已完成 %2 %3")
                                                         .arg(m_wording.runName)
                                                         .arg(committed)
                                                         .arg(m_wording.unit));
        });
        const QScopeGuard stopObserving([this] { engine().DetailRecords().setCommitObserver({}); });
        document = call([](ReportEngine &e) { return e.generate(); });
    }
    // Named by its records: one a page, unless a detail band puts many on one.
    document.name = m_wording.nameOfRun(document.report.title, document.records.size());
    document.pageName = m_wording.nameOfPage(document.report.title);
    if (m_made)
        m_made(document);
    PreviewWindow preview(std::move(document), m_wording, owner);
    if (m_export.run)
        preview.addExport(m_export);
    if (m_showing)
        m_showing(preview);
    preview.exec();
}
