// 1,000 letters by e-mail, each with a 30 KB PDF, beside writing the same messages to disk
// as .eml files, in one run: sending should take no more than twice as long as writing.
// Sent twice: to a small SMTP sink in this process that spools each message to a file (the
// fair measure of our own cost: client, protocol and a server's write), and to aiosmtpd, the
// tests' server, whose Python is most of its time.

#include "Seconds.h"
#include "SmtpSink.h"
#include "control/MailMessage.h"
#include "control/SmtpSender.h"
#include "support/SmtpTestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kMessages = 1000;

// This process's own CPU time: the server's is not in it, so the two can be told apart.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

MailMessage letter(int number, const QByteArray &pdf)
{
    MailMessage message(QStringLiteral("审计二部"), QStringLiteral("audit@firm.example.cn"));
    message.addTo(QStringLiteral("客户%1财务部").arg(number),
                  QStringLiteral("c%1@customer.example.com").arg(number));
    message.setSubject(QStringLiteral("应收账款询证函 第%1号").arg(number));
    message.setText(QStringLiteral("您好：\n请核对附件中的询证函，并于十日内回复。\n此致"));
    message.addAttachment({QStringLiteral("询证函-%1.pdf").arg(number), pdf});
    return message;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!SmtpTestServer::available()) {
        std::printf("python3-aiosmtpd is not installed: no SMTP server to send to\n");
        return 1;
    }
    QByteArray pdf("%PDF-1.4\n");
    for (int i = 0; pdf.size() < 30 * 1024; ++i)
        pdf += char((i * 31) & 0xff);
    QTemporaryDir dir;

    const double written = seconds([&] {
        for (int i = 1; i <= kMessages; ++i) {
            QFile file(dir.filePath(QStringLiteral("%1.eml").arg(i)));
            if (!file.open(QIODevice::WriteOnly) || file.write(letter(i, pdf).toBytes()) < 0)
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        }
    });

    auto sendTo = [&](const QString &url, int *failed) {
        return seconds([&] {
            SmtpSender sender({url, false, {}, {}, {}, {}, 30});
            for (int i = 1; i <= kMessages; ++i)
                *failed += sender.send(letter(i, pdf)).sent ? 0 : 1;
        });
    };

    QDir().mkpath(dir.filePath(QStringLiteral("sink")));
    int sinkFailed = 0;
    double sunk = 0;
    {
        SmtpSink sink(dir.filePath(QStringLiteral("sink")));
        if (sink.port() == 0) {
            std::printf("the SMTP sink did not start\n");
            return 1;
        }
        sunk = sendTo(QStringLiteral("smtp://127.0.0.1:%1").arg(sink.port()), &sinkFailed);
    }
    std::printf("1,000 messages with a 30 KB PDF each: written as .eml %.2f s, sent by SMTP to a "
                "spooling sink in this process %.2f s (%d failed), %.1f times the writing "
                "(target <= 2)\n",
                written, sunk, sinkFailed, sunk / written);

    SmtpTestServer server(dir.filePath(QStringLiteral("box")), {});
    if (server.port() == 0) {
        std::printf("the SMTP server did not start\n");
        return 1;
    }
    int failed = 0;
    const double cpuBefore = cpuSeconds();
    const double sent = sendTo(server.url(QStringLiteral("smtp")), &failed);
    const double clientCpu = cpuSeconds() - cpuBefore;
    std::printf("the same sent to aiosmtpd %.2f s (%d failed), %.1f times the writing; of the "
                "sending, %.2f s CPU in this process, the rest waits on the server\n",
                sent, failed, sent / written, clientCpu);
    return failed == 0 && sinkFailed == 0 ? 0 : 1;
}
