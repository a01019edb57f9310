#include "RunRecord.h"

#include "common/NumberText.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const char kBom[] = "\xEF\xBB\xBF";
// Records of the same second and program get "-2", "-3", ... after the name.
constexpr int kMostRecordsPerSecond = 100;

QByteArray Csv_Field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r'))
        bytes = '"' + bytes.replace("\"", "\"\"") + '"';
    return bytes;
}

// Six decimals: a tenth of a micrometre needs four.
QByteArray Number_Field(const std::optional<double> &value)
{
    return value ? FormatFloat6(*value).toLatin1() : QByteArray();
}

void Sync_File(QFile &file)
{
#ifdef Q_OS_UNIX
    if (file.isOpen())
        ::fdatasync(file.handle());
#else
    Q_UNUSED(file);
#endif
}

} // namespace

QString Runs_Folder(const QString &configFile)
{
    return QFileInfo(configFile).absolutePath() + QStringLiteral("/runs");
}

std::optional<double> TRunPoint::Deviation() const
{
    const std::optional<double> &measured = Closed_Loop ? Sensor : Motor;
    if (!measured || !Commanded)
        return std::nullopt;
    return *measured - *Commanded;
}

QByteArray Points_Header()
{
    return QStringLiteral("时间,运行次数,行号,轴名称,动作,指令位置,电机位置,传感器位置,偏差,单位,到位,到位偏差\r\n").toUtf8();
}

QByteArray Point_Line(const TRunPoint &point)
{
    const QList<QByteArray> fields = {
        point.Time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1(),
        QByteArray::number(point.Run),
        QByteArray::number(point.Row),
        Csv_Field(point.Axis),
        Csv_Field(point.Action),
        Number_Field(point.Commanded),
        Number_Field(point.Motor),
        Number_Field(point.Sensor),
        Number_Field(point.Deviation()),
        Csv_Field(point.Unit),
        point.In_Position ? (*point.In_Position ? QStringLiteral("是") : QStringLiteral("否")).toUtf8() : QByteArray(),
        Number_Field(point.InPos_Deviation)};
    return fields.join(',') + "\r\n";
}

TRunRecord::~TRunRecord()
{
    Close();
}

bool TRunRecord::Open(const QString &folder, const QDateTime &start, const QString &programName)
{
    const QString base = folder + QLatin1Char('/') + start.toString(QStringLiteral("yyyyMMdd-hhmmss"))
                         + QLatin1Char('-')
                         + (programName.isEmpty() ? QStringLiteral("未保存") : programName);
    QString name = base;
    for (int n = 2; n <= kMostRecordsPerSecond; ++n) {
        if (!QFileInfo::exists(name + QStringLiteral(".log"))
            && !QFileInfo::exists(name + QStringLiteral("-points.csv")))
            break;
        name = base + QLatin1Char('-') + QString::number(n);
    }
    QDir().mkpath(folder);
    Close();
    m_failedPath.clear();
    m_log.setFileName(name + QStringLiteral(".log"));
    m_points.setFileName(name + QStringLiteral("-points.csv"));
    // Appended to, should another program have made the same name meanwhile:
    // a record is never written over.
    for (QFile *file : {&m_log, &m_points}) {
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            m_failedPath = file->fileName();
            Close();
            return false;
        }
    }
    return Write(m_points, QByteArray(kBom) + Points_Header());
}

bool TRunRecord::Write_Log(const QString &line)
{
    return Write(m_log, line.toUtf8() + '\n');
}

bool TRunRecord::Write_Point(const TRunPoint &point)
{
    return Write(m_points, Point_Line(point));
}

bool TRunRecord::Write(QFile &file, const QByteArray &bytes)
{
    if (!file.isOpen())
        return false;
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    m_failedPath = file.fileName();
    Close();
    return false;
}

void TRunRecord::Sync()
{
    Sync_File(m_log);
    Sync_File(m_points);
}

void TRunRecord::Close()
{
    Sync();
    m_log.close();
    m_points.close();
}
