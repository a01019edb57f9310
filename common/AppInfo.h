#pragma once
// Company name and four-number version, set once by the build.
#include <QString>

QString AppCompanyName();
QString AppFileVersion();
