#pragma once
// Test classes register themselves here; TestMain runs them all.
#include <QObject>
#include <functional>
#include <vector>

namespace TestRegistry {
using Factory = std::function<QObject *()>;
std::vector<Factory> &All();
int Add(Factory factory);
}

#define TAVORIN_TEST(Class) \
    static const int tavorin_test_registered_##Class = TestRegistry::Add([] { return new Class; });
