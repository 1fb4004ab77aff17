#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <unistd.h>

// A real IRC server as a child process on a free loopback port, from a
// configuration written into a folder of its own: ngircd without penalty
// time, or InspIRCd with its usual flood limits and no fake lag, which
// closes a client's link with "Excess Flood" at a penalty of 10 commands (a
// JOIN or a TOPIC counts two), one command fading each second. It can be
// killed and started again on the same port, and is killed when it goes.
class IrcServerProcess
{
public:
    enum class Kind
    {
        Ngircd,
        InspIRCd,
    };

    // more goes at the end of the configuration (a channel of ngircd's, say).
    IrcServerProcess(Kind kind, QString program, const QByteArray &more = {})
        : m_program(std::move(program))
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        const QByteArray port = QByteArray::number(m_port);
        const QString path = m_dir.filePath(QStringLiteral("server.conf"));
        QByteArray config;
        if (kind == Kind::Ngircd) {
            config = "[Global]\nName = irc.test.local\nListen = 127.0.0.1\nPorts = " + port +
                     "\nMotdPhrase = Test server\n[Limits]\nMaxNickLength = 30\n"
                     "MaxConnectionsIP = 0\nMaxPenaltyTime = 0\n"
                     "[Options]\nDNS = no\nIdent = no\nPAM = no\n";
            m_args = QStringList{QStringLiteral("-n"), QStringLiteral("-f"), path};
            m_ready = " ready.";
        } else {
            config = "<server name=\"irc.test.local\" description=\"Test\" network=\"Test\">\n"
                     "<bind address=\"127.0.0.1\" port=\"" +
                     port +
                     "\" type=\"clients\">\n<connect allow=\"*\" resolvehostnames=\"no\" "
                     "localmax=\"10\" globalmax=\"10\" threshold=\"10\" commandrate=\"1000\" "
                     "fakelag=\"no\">\n";
            m_args = QStringList{QStringLiteral("--config"), path, QStringLiteral("--nofork"),
                                 QStringLiteral("--nopid")};
            // It will not run as root unless told; CI runs as root.
            if (::geteuid() == 0)
                m_args << QStringLiteral("--runasroot");
            m_ready = "is now running as";
        }
        QFile file(path);
        config += more;
        m_written = m_dir.isValid() && file.open(QIODevice::WriteOnly) &&
                    file.write(config) == config.size() && file.flush();
    }
    ~IrcServerProcess() { kill(); }

    quint16 port() const { return m_port; }
    // What it printed, for a failure's message.
    std::string output() { return (m_output += m_process.readAll()).toStdString(); }

    // Starts it and waits until it serves; false when it does not within
    // ms, or ends first.
    bool start(int ms = 30000)
    {
        if (!m_written)
            return false;
        const QDeadlineTimer deadline(ms);
        m_output.clear();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setWorkingDirectory(m_dir.path());
        m_process.start(m_program, m_args);
        if (!m_process.waitForStarted(ms))
            return false;
        while (!(m_output += m_process.readAll()).contains(m_ready))
            if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                return false;
        return true;
    }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QString m_program;
    QStringList m_args;
    QByteArray m_ready;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    bool m_written = false;
    QProcess m_process;
    QByteArray m_output;
};
