#pragma once
// Set-up shared by the benchmarks that drive the real main window: no
// display unless one is asked for, a configuration file of their own, and
// the connection through the port dialog as an operator makes it.
#include "app/Forms.h"
#include "app/TBoardPortFrm.h"
#include "app/TMainFrm.h"
#include "common/ui/Dialogs.h"
#include "config/ConfigLocation.h"

#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <functional>

namespace Bench {

// Call before the QApplication is made.
inline void Use_Offscreen_Unless_Set()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// "Tavorin.ini" with the given content in a folder of its own, in use for
// the object's lifetime.
class ConfigFile
{
public:
    explicit ConfigFile(const QByteArray &content)
    {
        QFile file(Path());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        file.close();
        SetConfigFileNameForTest(Path());
    }
    ~ConfigFile() { SetConfigFileNameForTest(QString()); }
    QString Path() const { return m_dir.filePath(QStringLiteral("Tavorin.ini")); }

private:
    QTemporaryDir m_dir;
};

// One function group holding every axis, so that selecting it rebuilds all panels.
inline const QByteArray kOneGroupForAll("[GROUP]\r\nALL=0\r\n");

// The forms, with the main window shown at the size the figures are taken at.
inline void Show_Main_Window()
{
    Create_Forms();
    MainFrm->resize(1280, 760);
    MainFrm->show();
}

// "连接设备" with the port dialog set by `choose` and closed with OK.
inline void Connect(const std::function<void()> &choose)
{
    SetModalHandler([&choose](QDialog *dialog) {
        choose();
        dialog->done(QDialog::Accepted);
        return dialog->result();
    });
    MainFrm->btn_ScanClick();
    SetModalHandler({});
}

inline void Choose_Usb()
{
    BoardPortFrm->rb_USB->setChecked(true);
}

} // namespace Bench
