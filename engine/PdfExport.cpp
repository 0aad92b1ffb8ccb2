#include "PdfExport.h"

#include "DisplayFormat.h"
#include "PageRenderer.h"
#include "ReportError.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryDir>

#include <filesystem>

namespace PdfExport {

namespace {

FileFactory g_fileFactory;

// One PDF of the given pages, committed only when complete.
void writeFile(const ReportDocument &document, PageRenderer &renderer, const QString &path,
               const QList<int> &pages, const std::function<bool()> &pageDone)
{
    const std::unique_ptr<QSaveFile> saved =
        g_fileFactory ? g_fileFactory(path) : std::make_unique<QSaveFile>(path);
    QSaveFile &file = *saved;
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2").arg(name, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setPageSize(QPageSize(renderer.pageSizeMm(), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("roviradavev"));
        QPainter painter;
        if (!painter.begin(&writer))
            throw ReportError(QStringLiteral("无法写入文件“%1”").arg(name));
        const QRectF target(0, 0, writer.width(), writer.height());
        for (int i = 0; i < pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            renderer.paintInto(painter, target, pages[i]);
            if (pageDone && !pageDone()) {
                painter.end();
                file.cancelWriting();
                throw EAbort();
            }
        }
        painter.end();
    }
    if (!file.commit())
        throw ReportError(QStringLiteral("无法写入文件“%1”：%2").arg(name, file.errorString()));
}

} // namespace

void setFileFactory(FileFactory factory)
{
    g_fileFactory = std::move(factory);
}

void writeAll(const ReportDocument &document, const QString &path, const Progress &progress)
{
    PageRenderer renderer(document);
    QList<int> pages;
    for (int i = 0; i < document.pageCount(); ++i)
        pages.append(i);
    int done = 0;
    writeFile(document, renderer, path, pages,
              [&] { return !progress || progress(++done, int(pages.size())); });
}

void writeEach(const ReportDocument &document, const QString &folder, const QStringList &baseNames,
               const Progress &progress)
{
    PageRenderer renderer(document);
    const QDir dir(folder);
    // The files are made in a hidden folder beside their place and moved there only when all
    // are done: a cancelled or failed run leaves the folder as it found it.
    QTemporaryDir staging(dir.filePath(QStringLiteral(".roviradavev-XXXXXX")));
    if (!staging.isValid())
        throw ReportError(QStringLiteral("无法在文件夹“%1”中写入文件：%2")
                              .arg(QDir::toNativeSeparators(folder), staging.errorString()));
    const int count = int(std::min(qsizetype(document.pageCount()), baseNames.size()));
    int done = 0;
    for (int i = 0; i < count; ++i)
        writeFile(document, renderer, staging.filePath(baseNames[i] + QStringLiteral(".pdf")), {i},
                  [&] { return !progress || progress(++done, document.pageCount()); });
    for (int i = 0; i < count; ++i) {
        const QString name = baseNames[i] + QStringLiteral(".pdf");
        std::error_code error;
        // Replaces a file of that name in one step, as the user agreed to.
        std::filesystem::rename(QFile::encodeName(staging.filePath(name)).toStdString(),
                                QFile::encodeName(dir.filePath(name)).toStdString(), error);
        if (error)
            throw ReportError(QStringLiteral("无法写入文件“%1”：%2")
                                  .arg(name, QString::fromLocal8Bit(error.message())));
    }
}

QStringList fieldTexts(const ReportDocument &document, const QString &field)
{
    QStringList texts;
    const int index = document.report.fieldIndex(field);
    for (const RecordValues &record : document.records)
        texts.append(index >= 0 && index < record.size()
                         ? DisplayFormat::apply(record[index], QString())
                         : QString());
    return texts;
}

} // namespace PdfExport
