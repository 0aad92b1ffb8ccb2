#include "ReportEngine.h"

#include "PageRenderer.h"

#include "ReportError.h"
#include "TemplateReader.h"
#include "TemplateWriter.h"
#include "platform/Clock.h"
#include "platform/ErrorText.h"

#include <QFile>
#include <QFileInfo>

namespace {
QString fileNameOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}
} // namespace

bool ReportEngine::LoadTemplateFile(const QString &path)
{
    m_template = ReportTemplate();
    m_path = path;
    m_loaded = false;
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (info.isDir())
        throw ReportError(
            QStringLiteral("打印模板“%1”是文件夹，不是模板文件").arg(fileNameOf(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("无法读取打印模板“%1”：%2")
                              .arg(fileNameOf(path), fileErrorText(file.errorString())));
    if (file.size() > 64 * 1024 * 1024)
        throw ReportError(QStringLiteral("打印模板“%1”已损坏：文件过大").arg(fileNameOf(path)));
    try {
        m_template = TemplateReader::fromJson(file.readAll());
    } catch (const ReportError &error) {
        m_template = ReportTemplate();
        throw ReportError(
            QStringLiteral("打印模板“%1”已损坏：%2").arg(fileNameOf(path), error.message()));
    }
    m_loaded = true;
    return true;
}

bool ReportEngine::SaveTemplateFile(const QString &path)
{
    TemplateWriter::save(m_template, path);
    m_path = path;
    m_loaded = true;
    return true;
}

void ReportEngine::setReportTemplate(const ReportTemplate &report)
{
    m_template = report;
    m_loaded = true;
}

ReportField ReportEngine::LookupField(const QString &name)
{
    const int index = m_template.fieldIndex(name);
    if (index < 0)
        throw ReportError(QStringLiteral("打印模板中没有名为“%1”的字段").arg(name));
    if (!m_records.hasOpenRecord())
        throw ReportError(QStringLiteral("没有打开的明细记录，无法设置字段“%1”").arg(name));
    return ReportField(m_records, index, m_records.openRecordNumber());
}

ReportDocument ReportEngine::generate()
{
    return generate(Clock::today());
}

ReportDocument ReportEngine::generate(const QDate &printDate)
{
    if (!m_loaded) {
        if (m_path.isEmpty())
            throw ReportError(QStringLiteral("尚未载入打印模板"));
        throw ReportError(QStringLiteral("找不到打印模板文件“%1”").arg(m_path));
    }
    m_records.start(int(m_template.fields.size()));
    if (m_fetchRecord)
        m_fetchRecord();
    ReportDocument document;
    document.report = m_template;
    document.records = m_records.takeCommitted();
    document.title = m_title;
    document.printDate = printDate;
    if (std::any_of(document.report.elements.cbegin(), document.report.elements.cend(),
                    [](const ReportElement &e) { return e.kind == ElementKind::Barcode; }))
        PageRenderer(document).checkBarcodes();
    return document;
}
