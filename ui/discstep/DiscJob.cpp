#include "ui/discstep/DiscJob.h"

#include <QFile>
#include <QMetaObject>
#include <QString>

namespace qv::ui {

std::filesystem::path PathOf(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString QStringOf(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}

DiscJob::DiscJob(QObject* parent) : QObject(parent) {}

DiscJob::~DiscJob()
{
    CancelAndWait();
}

bool DiscJob::Start(std::function<void(DiscJob& job)> work)
{
    if (running_)
        return false;
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    cancel_ = false;
    entries_ = pages_ = written_ = total_ = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        found_.clear();
    }
    const unsigned generation = ++generation_;
    thread_ = std::thread([this, work = std::move(work), generation] {
        work(*this);
        // Queued to this object's thread; dropped with the object if it goes first (it does not:
        // the destructor joins this thread).
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_)
                    Ended();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void DiscJob::Ended()
{
    if (thread_.joinable())
        thread_.join();
    running_ = false;
    emit finished();
}

void DiscJob::CancelAndWait()
{
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
    ++generation_;
    running_ = false;
}

std::vector<qv::DiscProblem> DiscJob::TakeFound()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<qv::DiscProblem> taken;
    taken.swap(found_);
    return taken;
}

void DiscJob::ProblemFound(const qv::DiscProblem& problem)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    found_.push_back(problem);
}

void DiscJob::CheckProgress(std::uint64_t entriesRead, std::uint64_t pagesRead)
{
    entries_.store(entriesRead, std::memory_order_relaxed);
    pages_.store(pagesRead, std::memory_order_relaxed);
}

void DiscJob::Written(std::uint64_t done, std::uint64_t total)
{
    total_.store(total, std::memory_order_relaxed);
    written_.store(done, std::memory_order_relaxed);
}

} // namespace qv::ui
