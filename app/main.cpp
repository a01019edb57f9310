#include "app/Forms.h"
#include "app/TMainFrm.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

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
    Create_Forms();
    MainFrm->show();
    const int result = app.exec();
    Destroy_Forms();
    return result;
}
