#include "SmtpSink.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SmtpSink::SmtpSink(const QString &folder) : m_folder(folder)
{
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        listen(m_listener, 4) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

SmtpSink::~SmtpSink()
{
    // Closing the listener ends accept() and so the thread.
    shutdown(m_listener, SHUT_RDWR);
    close(m_listener);
    if (m_thread.joinable())
        m_thread.join();
}

void SmtpSink::serve()
{
    for (;;) {
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        talk(client);
        close(client);
    }
}

void SmtpSink::talk(int client)
{
    auto say = [client](const char *line) { return write(client, line, strlen(line)) > 0; };
    if (!say("220 sink ESMTP\r\n"))
        return;
    QByteArray buffer;
    bool inData = false;
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(client, chunk, sizeof chunk);
        if (got <= 0)
            return;
        buffer.append(chunk, got);
        for (;;) {
            if (inData) {
                const qsizetype end = buffer.indexOf("\r\n.\r\n");
                if (end < 0)
                    break;
                QFile file(QStringLiteral("%1/%2.eml").arg(m_folder).arg(++m_received));
                if (file.open(QIODevice::WriteOnly))
                    file.write(buffer.constData(), end + 2);
                buffer.remove(0, end + 5);
                inData = false;
                if (!say("250 OK queued\r\n"))
                    return;
                continue;
            }
            const qsizetype end = buffer.indexOf("\r\n");
            if (end < 0)
                break;
            const QByteArray verb = buffer.left(4).toUpper();
            buffer.remove(0, end + 2);
            if (verb == "EHLO")
                say("250-sink\r\n250 8BITMIME\r\n");
            else if (verb == "DATA") {
                inData = true;
                say("354 go ahead\r\n");
            } else if (verb == "QUIT") {
                say("221 bye\r\n");
                return;
            } else
                say("250 OK\r\n");
        }
    }
}
