#include "AppInfo.h"

QString AppCompanyName()
{
    return QStringLiteral(TAVORIN_COMPANY);
}

QString AppFileVersion()
{
    return QStringLiteral(TAVORIN_VERSION);
}
