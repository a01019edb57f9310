#pragma once
// The parameter dialog and its group dialog on a configuration file of the
// test's own, fresh for every test function.
#include "config/IniFile.h"
#include "config/ui/TConfigFrm.h"
#include "config/ui/TGroupFrm.h"
#include "support/Fixtures.h"

#include <memory>

namespace DialogTest {

struct Dialogs
{
    Dialogs() { config.Set_Group_Form(&group); }
    Fixtures::TempConfig cfg;
    TGroupFrm group;
    TConfigFrm config;
};

class DialogTestCase : public QObject
{
    Q_OBJECT
protected:
    std::unique_ptr<Dialogs> d;
    // A key as the file holds it; "-" when it is missing.
    QString Stored(const QString &section, const QString &key) const
    {
        return TIniFile(d->cfg.Path()).ReadString(section, key, QStringLiteral("-"));
    }
    QStringList Groups() const { return TIniFile(d->cfg.Path()).ReadSection(QStringLiteral("GROUP")); }
private slots:
    void init() { d = std::make_unique<Dialogs>(); }
    void cleanup() { d.reset(); }
};

} // namespace DialogTest
