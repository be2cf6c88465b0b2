// The costs the designer's input and saving paths pay for their safety, each as a ratio against
// the plain way measured in the same run: typing into a field that keeps pasted text to one line
// and its length limit, placing a key in German order, and a save that checks every step.
#include "config/Cp1252.h"
#include "ui/project/ProjectFiles.h"
#include "ui/widgets/SingleLineInput.h"

#include <QApplication>
#include <QCollator>
#include <QLineEdit>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// Runs `baseline` and `measured` alternately, `rounds` times each per iteration, and reports the
// measured time together with both totals and their ratio.
void Compare(benchmark::State& state, int rounds, const std::function<void()>& baseline,
             const std::function<void()>& measured)
{
    Clock::duration base{}, cost{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < rounds; ++i)
            baseline();
        const auto t1 = Clock::now();
        for (int i = 0; i < rounds; ++i)
            measured();
        const auto t2 = Clock::now();
        base += t1 - t0;
        cost += t2 - t1;
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double b = std::chrono::duration<double, std::micro>(base).count();
    const double m = std::chrono::duration<double, std::micro>(cost).count();
    state.counters["baseline_us"] = benchmark::Counter(b / static_cast<double>(state.iterations()));
    state.counters["measured_us"] = benchmark::Counter(m / static_cast<double>(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(b > 0 ? m / b : 0);
}

// Typing 20 characters and clearing again: a plain field against a guarded one.
void TypeIntoField(benchmark::State& state)
{
    QLineEdit plain, guarded;
    qv::ui::GuardSingleLine(&guarded, 5);
    const QString text = QStringLiteral("12345678901234567890");
    const auto type = [&text](QLineEdit& field) {
        return [&field, &text] {
            QTest::keyClicks(&field, text);
            field.clear();
        };
    };
    Compare(state, 10, type(plain), type(guarded));
}
BENCHMARK(TypeIntoField)->UseManualTime()->Unit(benchmark::kMillisecond);

// Finding the place of a new key in a list of 200 names: byte order against German order.
void PlaceKeyInList(benchmark::State& state)
{
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names << QStringLiteral("Strg+Alt+%1").arg(QChar(u'A' + i % 26)) + QString::number(i);
    QCollator german(QLocale(QLocale::German, QLocale::Germany));
    german.setCaseSensitivity(Qt::CaseInsensitive);
    const QString entry = QStringLiteral("Strg+Ü");
    const std::string entryBytes = "Strg+\xdc";
    std::vector<std::string> bytes;
    for (const QString& name : names)
        bytes.push_back(name.toStdString());
    Compare(
        state, 100,
        [&] {
            std::size_t row = 0;
            while (row < bytes.size() && qv::CompareIgnoreCase(bytes[row], entryBytes) <= 0)
                ++row;
            benchmark::DoNotOptimize(row);
        },
        [&] {
            qsizetype row = 0;
            while (row < names.size() && german.compare(names.at(row), entry) <= 0)
                ++row;
            benchmark::DoNotOptimize(row);
        });
}
BENCHMARK(PlaceKeyInList)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Saving a 4 KiB configuration: an unchecked buffered replace against the checked, flushed one.
void SaveConfiguration(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("starter.ini"));
    const QByteArray bytes(4096, 'x');
    Compare(
        state, 5,
        [&] {
            QSaveFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            benchmark::DoNotOptimize(file.commit());
        },
        [&] { benchmark::DoNotOptimize(qv::ui::WriteFileAtomically(path, bytes)); });
}
BENCHMARK(SaveConfiguration)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
