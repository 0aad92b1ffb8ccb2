// Saves two templates over one file, one after the other, until it is killed: the test of
// a save cut short kills it at random moments.

#include "engine/ReportEngine.h"
#include "engine/TemplateWriter.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    ReportEngine first, second;
    first.LoadTemplateFile(args[1]);
    second.LoadTemplateFile(args[2]);
    for (;;) {
        TemplateWriter::save(first.reportTemplate(), args[3]);
        TemplateWriter::save(second.reportTemplate(), args[3]);
    }
}
