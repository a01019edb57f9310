#include "TestRegistry.h"

#include <QApplication>
#include <QTemporaryDir>
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
    // The per-user state folder (copies of files being saved) is the
    // run's own, for the tests and the programs they start.
    QTemporaryDir userData;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userData.path()));
    QApplication app(argc, argv);
    // TEST_CLASS=<name> runs that test class alone.
    const QByteArray only = qgetenv("TEST_CLASS");
    int failures = 0;
    for (auto &factory : TestRegistry::All()) {
        std::unique_ptr<QObject> test(factory());
        if (!only.isEmpty() && only != test->metaObject()->className())
            continue;
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
