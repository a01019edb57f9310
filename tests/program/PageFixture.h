#pragma once
// Base of the tests of the automatic page on its own: a fresh page with
// three axes and the raster dialog for every test function, and a
// configuration file of the test's own (the recent programs go there).
#include "program/ui/TAutoPage.h"
#include "program/ui/TXYFrm.h"
#include "support/Fixtures.h"

#include <QObject>
#include <memory>

class PageTestCase : public QObject
{
    Q_OBJECT
protected:
    Fixtures::TempConfig cfg;
    std::unique_ptr<TAutoPage> page;
    std::unique_ptr<TXYFrm> xy;

private slots:
    void init()
    {
        page = std::make_unique<TAutoPage>();
        xy = std::make_unique<TXYFrm>();
        page->XYFrm = xy.get();
        page->Build_Status({QStringLiteral("第1轴"), QStringLiteral("第2轴"), QStringLiteral("第3轴")});
    }
    void cleanup()
    {
        page.reset();
        xy.reset();
    }
};
