#include "app/ParallelExtraction.h"

#include "app/ExtractEntry.h"

#include <algorithm>
#include <new>

namespace pelkora {
namespace {

// A run is about what DataWindow reads at once, so that each thread reads
// its entries' bytes in one go; a cap on entries keeps the threads' last
// runs short, so that neither waits long for the other at the end.
constexpr qint64 kRunBytes = 1 << 20;
constexpr std::size_t kRunEntries = 256;

} // namespace

ParallelExtraction::ParallelExtraction(const cBig& big, std::vector<Item> items, const QString& destination,
    int threads)
    : mDirectory(big.Directory())
    , mItems(std::move(items))
    , mResults(mItems.size())
    , mDone(mItems.size(), 0)
{
    qint64 runBytes = 0;
    for (std::size_t i = 0; i < mItems.size(); ++i) {
        if (i == 0 || runBytes >= kRunBytes || i - mRunStarts.back() >= kRunEntries) {
            mRunStarts.push_back(i);
            runBytes = 0;
        }
        const std::int32_t id = mItems[i].id;
        if (mDirectory && id >= 0 && id < mDirectory->FileCount())
            runBytes += std::max(0, mDirectory->Entry(id).compressedSize);
    }
    mRunStarts.push_back(mItems.size());

    const auto count = static_cast<std::size_t>(std::max(1, threads));
    const QString root = ExtractRoot(destination);
    for (std::size_t t = 0; t < count; ++t)
        mWorkers.push_back(std::make_unique<Worker>(root, count));
    for (std::size_t t = 1; t < count; ++t)
        mThreads.emplace_back([this, worker = mWorkers[t].get()] {
            while (workOnNextRun(*worker)) { }
        });
}

ParallelExtraction::~ParallelExtraction()
{
    mStopping = true;
    for (std::thread& thread : mThreads)
        thread.join();
}

int ParallelExtraction::DefaultThreads()
{
    // Two keep one thread decoding while the other waits on the file system;
    // more were not measured to help, as creating files in one folder is
    // serialised by the kernel.
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 2);
}

const ParallelExtraction::Result* ParallelExtraction::next()
{
    if (mTaken == mItems.size())
        return nullptr;
    for (;;) {
        {
            std::unique_lock lock(mMutex);
            if (mDone[mTaken] != 0)
                return &mResults[mTaken++];
        }
        // Runs are taken in order and the caller finishes its own before
        // asking again, so an item not done yet is in another thread's run
        // when no run is left to take.
        if (!workOnNextRun(*mWorkers[0])) {
            std::unique_lock lock(mMutex);
            mWritten.wait(lock, [this] { return mDone[mTaken] != 0; });
            return &mResults[mTaken++];
        }
    }
}

bool ParallelExtraction::workOnNextRun(Worker& worker)
{
    if (mStopping)
        return false;
    const std::size_t run = mNextRun.fetch_add(1);
    if (run + 1 >= mRunStarts.size())
        return false;
    for (std::size_t i = mRunStarts[run]; i < mRunStarts[run + 1]; ++i) {
        if (mStopping)
            return false;
        Result result = writeItem(mItems[i], worker);
        {
            std::lock_guard lock(mMutex);
            mResults[i] = std::move(result);
            mDone[i] = 1;
        }
        mWritten.notify_all();
    }
    return true;
}

ParallelExtraction::Result ParallelExtraction::writeItem(const Item& item, Worker& worker) const
{
    try {
        const PreparedEntry entry = PrepareEntry(mDirectory, item.id, item.fullName, worker.window, true);
        return {WritePreparedEntry(entry, worker.writer), entry.content.size()};
    } catch (const std::bad_alloc&) {
        return {{failure::OutOfMemory, QStringLiteral("ExtractEntry"),
                    QStringLiteral("\"%1\": out of memory.").arg(item.fullName), {}},
            0};
    }
}

} // namespace pelkora
