#include "app/Forms.h"
#include "app/TMainFrm.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavorin.svg")));
    Create_Forms();
    MainFrm->show();
    const int result = app.exec();
    Destroy_Forms();
    return result;
}
