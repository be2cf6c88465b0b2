#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The tests talk to their own server on 127.0.0.1: no proxy of the machine may come between.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
