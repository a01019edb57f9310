#include "ConfigLocation.h"

#include "common/FileWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString g_configFileNameForTest;

QString UserSettingsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString SettingsFolderOfProgram()
{
    return SettingsFolder(QCoreApplication::applicationDirPath(), UserSettingsFolder());
}

} // namespace

QString SettingsFolder(const QString &programDir, const QString &userDir)
{
    if (IsWritableFolder(programDir))
        return programDir;
    // Created here so that the first write can create the file in it.
    QDir().mkpath(userDir);
    return userDir;
}

QString ConfigFileName()
{
    if (!g_configFileNameForTest.isEmpty())
        return g_configFileNameForTest;
    return SettingsFolderOfProgram() + QStringLiteral("/Tavorin.ini");
}

QString PortChoicesFileName()
{
    if (!g_configFileNameForTest.isEmpty())
        return g_configFileNameForTest;
    const QString baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return SettingsFolderOfProgram() + QLatin1Char('/') + baseName + QStringLiteral(".ini");
}

void SetConfigFileNameForTest(const QString &fileName)
{
    g_configFileNameForTest = fileName;
}
