#include "app/EntryPrefetcher.h"

#include <algorithm>
#include <new>

namespace pelkora {

EntryPrefetcher::EntryPrefetcher(const cBig& big, std::vector<Item> items, Mode mode, std::size_t maxBytes)
    : mDirectory(big.Directory())
    , mItems(std::move(items))
    , mMaxBytes(maxBytes)
    , mThread(mode == Mode::Ahead ? std::thread([this] { run(); }) : std::thread())
{
}

EntryPrefetcher::Mode EntryPrefetcher::ModeFor(cBig& big, const std::vector<Item>& items)
{
    // Below about a quarter of the bytes, handing every entry from thread to
    // thread costs more than decoding on the side saves (measured with
    // pelkora-cli extract on archives of many small files).
    qint64 all = 0;
    qint64 compressed = 0;
    for (const Item& item : items) {
        const bool packed = big.data_compressed_flag(item.id);
        const qint64 size =
            std::max(0, packed ? big.data_uncompressed_size(item.id) : big.data_compressed_size(item.id));
        all += size;
        if (packed)
            compressed += size;
    }
    return compressed > 0 && compressed * 4 >= all ? Mode::Ahead : Mode::InTurn;
}

EntryPrefetcher::~EntryPrefetcher()
{
    {
        std::lock_guard lock(mMutex);
        mStopping = true;
    }
    mChanged.notify_all();
    if (mThread.joinable())
        mThread.join();
}

void EntryPrefetcher::run()
{
    for (const Item& item : mItems) {
        std::vector<PreparedEntry> spent;
        {
            std::unique_lock lock(mMutex);
            // Bounded by bytes and by count: a run of tiny or streamed
            // entries would otherwise queue the whole archive.
            mChanged.wait(lock, [this] {
                return mStopping || mReady.empty() || (mReadyBytes < mMaxBytes && mReady.size() < kMaxReady);
            });
            if (mStopping)
                return;
            spent.swap(mSpent);
        }
        spent.clear();
        PreparedEntry entry;
        try {
            entry = PrepareEntry(mDirectory, item.id, item.fullName, mWindow, false);
        } catch (const std::bad_alloc&) {
            entry.fullName = item.fullName;
            entry.failure = {failure::OutOfMemory, QStringLiteral("PrepareEntry"),
                QStringLiteral("\"%1\": out of memory.").arg(item.fullName), {}};
        }
        const std::size_t bytes = static_cast<std::size_t>(entry.content.size());
        {
            std::lock_guard lock(mMutex);
            mReadyBytes += bytes;
            mReady.push_back(std::move(entry));
        }
        mChanged.notify_all();
    }
}

const PreparedEntry* EntryPrefetcher::next()
{
    std::unique_lock lock(mMutex);
    if (mCurrent) {
        mSpent.push_back(std::move(*mCurrent));
        mCurrent.reset();
    }
    if (mTaken == mItems.size())
        return nullptr;
    if (!mThread.joinable()) {
        mSpent.clear();
        const Item& item = mItems[mTaken++];
        mCurrent = PrepareEntry(mDirectory, item.id, item.fullName, mWindow, true);
        return &*mCurrent;
    }
    mChanged.wait(lock, [this] { return !mReady.empty(); });
    mCurrent = std::move(mReady.front());
    mReady.pop_front();
    mReadyBytes -= static_cast<std::size_t>(mCurrent->content.size());
    ++mTaken;
    lock.unlock();
    mChanged.notify_all();
    return &*mCurrent;
}

} // namespace pelkora
