// Creating and first showing the designer window, and the resident memory after start.
#include "config/ProjectSettings.h"
#include "ui/platform/AppSetup.h"
#include "ui/mainform/Unit1.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void StartWindow(TForm1& form)
{
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "ui_bench: the window was not exposed\n");
    form.ApplySettings(qv::ProjectSettings{});
    form.ProjectChanged = false;
    form.UpdateCaption(QString());
    form.switchcategory(form.PageLink(QStringLiteral("start")));
    QApplication::processEvents();
}

void CreateAndShowWindow(benchmark::State& state)
{
    for (auto _ : state) {
        TForm1 form;
        StartWindow(form);
        benchmark::DoNotOptimize(form.winId());
    }
}
BENCHMARK(CreateAndShowWindow)->Unit(benchmark::kMillisecond);

void SwitchToSavePage(benchmark::State& state)
{
    TForm1 form;
    StartWindow(form);
    for (auto _ : state) {
        form.switchcategory(form.PageLink(QStringLiteral("speichern")));
        form.switchcategory(form.PageLink(QStringLiteral("grund")));
    }
}
BENCHMARK(SwitchToSavePage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::ui::LoadFonts();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    const long before = ResidentKiB();
    {
        TForm1 form;
        StartWindow(form);
        std::printf("resident memory: %ld KiB before the window, %ld KiB with the window shown\n", before,
                    ResidentKiB());
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
