// 1,000 letters by e-mail, each with a 30 KB PDF, through a local SMTP server (aiosmtpd)
// beside writing the same messages to disk as .eml files, in one run: sending should take
// no more than twice as long as writing.

#include "Seconds.h"
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

    SmtpTestServer server(dir.filePath(QStringLiteral("box")), {});
    if (server.port() == 0) {
        std::printf("the SMTP server did not start\n");
        return 1;
    }
    int failed = 0;
    const double cpuBefore = cpuSeconds();
    const double sent = seconds([&] {
        SmtpSender sender({server.url(QStringLiteral("smtp")), false, {}, {}, {}, {}, 30});
        for (int i = 1; i <= kMessages; ++i)
            failed += sender.send(letter(i, pdf)).sent ? 0 : 1;
    });
    const double clientCpu = cpuSeconds() - cpuBefore;
    std::printf("1,000 messages with a 30 KB PDF each: written as .eml %.2f s, sent by SMTP %.2f s "
                "(%d failed), %.1f times the writing (target <= 2); of the sending, %.2f s CPU "
                "in this process, the rest waits on the server\n",
                written, sent, failed, sent / written, clientCpu);
    return failed == 0 ? 0 : 1;
}
