// Reads an update list as a check does and prints by how many KiB the peak resident memory of the
// process grew meanwhile.
#include "update/UpdateList.h"

#include <QCoreApplication>

#include <cstdio>

#include <sys/resource.h>

namespace {

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long before = PeakKiB();
    const qv::UpdateResult result = qv::ReadUpdateListFile(path);
    const long after = PeakKiB();
    std::printf("%ld %s\n", after - before, qPrintable(result.message));
    return 0;
}
