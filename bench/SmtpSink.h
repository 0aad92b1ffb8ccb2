#pragma once
// A minimal SMTP server in a thread of the benchmark: it takes one connection at a time,
// answers every command as a server that accepts would, and writes each message to its own
// file, as a mail server spools it. Without a Python server's own cost in the way, what the
// sending takes is the client's and the protocol's.

#include <QByteArray>
#include <QString>

#include <thread>

class SmtpSink
{
public:
    explicit SmtpSink(const QString &folder);
    ~SmtpSink();
    SmtpSink(const SmtpSink &) = delete;
    SmtpSink &operator=(const SmtpSink &) = delete;

    int port() const { return m_port; }
    int received() const { return m_received; }

private:
    void serve();
    void talk(int client);

    QString m_folder;
    int m_listener = -1;
    int m_port = 0;
    int m_received = 0;
    std::thread m_thread;
};
