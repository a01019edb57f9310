#include "TestRegistry.h"

#include <QApplication>
#include <QTest>
#include <memory>

namespace TestRegistry {
std::vector<Factory> &All()
{
    static std::vector<Factory> factories;
    return factories;
}

int Add(Factory factory)
{
    All().push_back(std::move(factory));
    return 0;
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto &factory : TestRegistry::All()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
