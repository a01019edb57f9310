#pragma once
// The programs last opened or saved, newest first, kept in the section
// "RECENT" of the configuration file ("FILE1" to "FILE8").
#include <QString>
#include <QStringList>

class TIniFile;

constexpr int kRecentPrograms = 8;

QStringList Read_Recent_Programs(const TIniFile &ini);
void Write_Recent_Programs(TIniFile &ini, const QStringList &paths);

// `paths` with `path` first, once, and at most kRecentPrograms entries.
QStringList With_Recent_Program(QStringList paths, const QString &path);
QStringList Without_Recent_Program(QStringList paths, const QString &path);

// Where the file dialogs start: the folder of the newest entry (empty when
// there is none).
QString Last_Program_Folder(const QStringList &paths);
