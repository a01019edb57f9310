#include "TCliOutput.h"

#include <QDateTime>
#include <QJsonDocument>

namespace {

QString Now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// Erases the terminal line and puts the cursor at its start.
const char kEraseLine[] = "\r\033[K";

} // namespace

TCliOutput::TCliOutput(FILE *out, FILE *err, bool json, bool progress)
    : m_out(out), m_err(err), m_json(json), m_progress(progress)
{
}

void TCliOutput::WriteLine(FILE *stream, const QString &line)
{
    // The progress line steps aside for every line and comes back after it.
    const bool redraw = m_progress && !m_progressLine.isEmpty();
    if (redraw) {
        std::fputs(kEraseLine, m_err);
        std::fflush(m_err);
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    if ((std::fflush(stream) != 0 || !written) && stream == m_out && !m_outputClosed) {
        m_outputClosed = true;
        if (OutputClosed)
            OutputClosed();
    }
    if (redraw)
        Progress(m_progressLine);
}

void TCliOutput::WriteJson(const QString &kind, const QString &text, int row, int run, QJsonObject object)
{
    object.insert(QStringLiteral("kind"), kind);
    object.insert(QStringLiteral("time"), Now());
    object.insert(QStringLiteral("row"), row);
    object.insert(QStringLiteral("run"), run);
    object.insert(QStringLiteral("text"), text);
    WriteLine(m_out, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void TCliOutput::Log(const QString &line, const QString &text, int row, int run)
{
    if (m_json)
        WriteJson(QStringLiteral("log"), text, row, run, QJsonObject());
    else
        WriteLine(m_out, line);
}

void TCliOutput::Event(const QString &kind, const QString &text, int row, int run, const QJsonObject &extra)
{
    if (m_json)
        WriteJson(kind, text, row, run, extra);
    else
        WriteLine(m_out, text);
}

void TCliOutput::Message(const QString &text)
{
    WriteLine(m_err, text);
}

void TCliOutput::Result(int status, const QString &text, int row, int run)
{
    ClearProgress();
    if (m_json)
        WriteJson(QStringLiteral("result"), text, row, run, QJsonObject{{QStringLiteral("status"), status}});
}

void TCliOutput::Progress(const QString &line)
{
    if (!m_progress)
        return;
    m_progressLine = line;
    const QByteArray bytes = kEraseLine + line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_err);
    std::fflush(m_err);
}

void TCliOutput::ClearProgress()
{
    if (!m_progress || m_progressLine.isEmpty())
        return;
    m_progressLine.clear();
    std::fputs(kEraseLine, m_err);
    std::fflush(m_err);
}
