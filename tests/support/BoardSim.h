#pragma once
// The board simulator program, started and stopped by a test: where it
// serves, its control commands (faults, journal) and its journal.
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace Fixtures {

class BoardSim
{
public:
    ~BoardSim() { Kill(); }

    // Starts kq-board-sim with `args`; false when it does not come up.
    bool Start(const QStringList &args = {"--listen", "127.0.0.1:0"})
    {
        m_process.setProgram(QStringLiteral(KQ_BOARD_SIM_PATH));
        m_process.setArguments(args);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return false;
        const bool tcp = !args.contains("--pty") || args.contains("--listen");
        const bool pty = args.contains("--pty");
        while ((tcp && port == 0) || (pty && ptyPath.isEmpty())) {
            const QString line = ReadLine();
            if (line.isNull())
                return false;
            const auto tcpMatch = QRegularExpression(R"(127\.0\.0\.1:(\d+))").match(line);
            if (tcpMatch.hasMatch())
                port = static_cast<uint16_t>(tcpMatch.captured(1).toUInt());
            const auto ptyMatch = QRegularExpression(R"((/dev/\S+))").match(line);
            if (ptyMatch.hasMatch())
                ptyPath = ptyMatch.captured(1);
        }
        return true;
    }

    // Sends a control command and waits for its acknowledgement; returns
    // the lines before it.
    QStringList Command(const QString &command)
    {
        m_process.write((command + "\n").toUtf8());
        QStringList lines;
        const QString word = command.section(' ', 0, 0);
        for (;;) {
            const QString line = ReadLine();
            if (line.isNull() || line == "ok " + word || line.startsWith("error"))
                return lines;
            lines << line;
        }
    }

    // The served board's own account of an axis.
    struct AxisState {
        bool running = false;
        qint64 position = 0;
        qint64 velocity = 0;
    };
    AxisState State(int axis)
    {
        AxisState state;
        for (const QString &line : Command(QStringLiteral("state %1").arg(axis))) {
            const QStringList words = line.split(' ');
            if (words.size() == 8 && words[0] == "state") {
                state.running = words[3] == "1";
                state.position = words[5].toLongLong();
                state.velocity = words[7].toLongLong();
            }
        }
        return state;
    }

    QStringList Journal()
    {
        QStringList entries;
        for (const QString &line : Command("journal"))
            if (line.startsWith("| "))
                entries << line.mid(2);
        return entries;
    }

    // SIGTERM, as an operator's Ctrl+C would; true when it stopped cleanly.
    bool Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        const bool ended = m_process.waitForFinished(5000);
        return ended && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    void Kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    qint64 Pid() const { return m_process.processId(); }

    uint16_t port = 0;
    QString ptyPath;

private:
    QString ReadLine()
    {
        while (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning || !m_process.waitForReadyRead(5000))
                return QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

    QProcess m_process;
};

} // namespace Fixtures
