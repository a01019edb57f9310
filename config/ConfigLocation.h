#pragma once
// Where the program keeps its settings.
//
// The configuration file is "Tavorin.ini", whatever the executable is
// called; the port dialog keeps its choices in the file named after the
// executable (the same file for "Tavorin").  Both sit beside the executable
// when its folder can be written, as for a build or a portable copy; an
// installed program, whose folder a normal user cannot write, keeps them in
// the user's configuration folder instead, created on first use.
#include <QString>

QString ConfigFileName();
QString PortChoicesFileName();

// The folder both files go in, by the rule above: `programDir` when it can
// be written, otherwise `userDir`, which is then created if missing.
QString SettingsFolder(const QString &programDir, const QString &userDir);

// Points both files at one file of a test's own (empty: back to normal).
void SetConfigFileNameForTest(const QString &fileName);
