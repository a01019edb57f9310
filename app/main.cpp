#include "app/Forms.h"
#include "app/TMainFrm.h"
#include "common/MainThread.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>
#include <exception>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Names the per-user settings folder, whatever the executable is called.
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavorin.svg")));
    // The toolkit's own texts (file dialogs, standard buttons) in Chinese
    // when the translations are installed.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    // An error that nothing caught ends the process: the axes stop first.
    // The library is called from this thread only: an error on another
    // thread hands the halt over here and waits a second for it at most.
    std::set_terminate([] {
        Run_On_Main_Thread(Halt_If_Still_Connected, 1000);
        std::abort();
    });
    Create_Forms();
    MainFrm->show();
    MainFrm->Close_On_Stop_Signals([](int status) { QCoreApplication::exit(status); });
    const int result = app.exec();
    Destroy_Forms();
    return result;
}
