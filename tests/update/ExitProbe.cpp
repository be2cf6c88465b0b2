// Starts an update check against the server named by QUORVANE_UPDATE_URL, prints "started", and
// quits the application when a line arrives on standard input, as a closing main window would.
#include "update/UpdateChecker.h"
#include "update/UpdateTarget.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

class SilentWindow : public qv::UpdateTarget {
public:
    bool askUpdate(const QString&, const QString&) override
    {
        std::puts("prompt");
        return false;
    }
    void openAddress(const QString&) override { std::puts("open"); }
    void showMessage(const QString&, const QString&) override { std::puts("message"); }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SilentWindow window;
    qv::UpdateChecker checker(window);
    if (!checker.start())
        return 2;
    std::puts("started");
    std::fflush(stdout);
    std::thread([&app] {
        std::string line;
        std::getline(std::cin, line);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();
    return app.exec();
}
