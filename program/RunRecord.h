#pragma once
// The record of one run, in the folder runs/ beside the configuration file:
// "<yyyyMMdd-hhmmss>-<program>.log" holds the run's log lines as the window
// shows them (UTF-8), "<yyyyMMdd-hhmmss>-<program>-points.csv" one line per
// point the program moved an axis to (UTF-8 with a byte-order mark, so that
// spreadsheet programs read the Chinese text, lines ending with CR LF).
//
// Every line is handed to the operating system as soon as it is written,
// so a crash of the program keeps everything before it; Sync puts what has
// been written on the disk.
#include <QDateTime>
#include <QFile>
#include <QString>
#include <optional>

// The folder of the records: "runs" beside the configuration file.
QString Runs_Folder(const QString &configFile);

// One line of the points table.  Positions in mm or degrees; a value that
// could not be read is missing.  The columns, in order: 时间, 运行次数, 行号,
// 轴名称, 动作, 指令位置, 电机位置, 传感器位置, 偏差, 单位, 到位 (是 or 否; empty
// when the move was not checked: no sensor, no tolerance, or not a move),
// 到位偏差 (the deviation the check ended with, empty likewise).
struct TRunPoint
{
    QDateTime Time;
    int Run = 1;       // counted from 1
    int Row = 1;       // counted from 1, as the grid numbers its rows
    QString Axis;      // the caption in the program row
    QString Action;
    std::optional<double> Commanded;
    std::optional<double> Motor;
    std::optional<double> Sensor; // missing too when the axis has no sensor
    bool Closed_Loop = false;     // the axis has a sensor: it tells the truth
    QString Unit;                 // of the positions: "mm" or "°"
    // The in-position check of the move (an axis with a sensor and a
    // tolerance): whether it ended in position, and the sensor's deviation
    // from the commanded position after the last correction.  Both missing
    // for a move that was not checked.
    std::optional<bool> In_Position;
    std::optional<double> InPos_Deviation;

    // Sensor (closed loop) or motor side minus the commanded position.
    std::optional<double> Deviation() const;
};

QByteArray Points_Header();
QByteArray Point_Line(const TRunPoint &point);

class TRunRecord
{
public:
    TRunRecord() = default;
    TRunRecord(const TRunRecord &) = delete;
    TRunRecord &operator=(const TRunRecord &) = delete;
    ~TRunRecord();

    // Creates both files in `folder` (and the folder), named after the
    // start time and the program; an existing record is never written
    // over.  False when a file cannot be made: FailedPath() tells which.
    bool Open(const QString &folder, const QDateTime &start, const QString &programName);
    // False when the line could not be written: the record is closed then.
    bool Write_Log(const QString &line);
    bool Write_Point(const TRunPoint &point);
    void Sync();
    void Close();

    bool IsOpen() const { return m_log.isOpen(); }
    QString LogPath() const { return m_log.fileName(); }
    QString PointsPath() const { return m_points.fileName(); }
    QString FailedPath() const { return m_failedPath; }

private:
    bool Write(QFile &file, const QByteArray &bytes);

    QFile m_log;
    QFile m_points;
    QString m_failedPath;
};
