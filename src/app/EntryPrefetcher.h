#pragma once
// Reading and decoding entries ahead on a second thread while the caller
// writes the ones before them, so that decoding overlaps the file system's
// work. The prefetching thread reads through the reader's shared directory,
// which nothing changes, so the caller goes on using its reader meanwhile.
// Handing an entry from thread to thread costs a little, more than reading a
// stored entry saves, so the caller may also have the entries prepared in
// turn on its own thread, with the same interface.

#include "app/ExtractEntry.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace pelkora {

class EntryPrefetcher {
public:
    struct Item {
        std::int32_t id;
        QString fullName;
    };

    enum class Mode { Ahead, InTurn };

    // Ahead: starts preparing `items` in order on a second thread; at most
    // `maxBytes` of decoded content and 1024 entries wait at a time (one
    // entry more when a single one is larger). InTurn: each is prepared when
    // asked for.
    EntryPrefetcher(const cBig& big, std::vector<Item> items, Mode mode, std::size_t maxBytes = 16u << 20);
    // Stops early if needed and waits for the thread.
    ~EntryPrefetcher();
    EntryPrefetcher(const EntryPrefetcher&) = delete;
    EntryPrefetcher& operator=(const EntryPrefetcher&) = delete;

    // Ahead when the entries to write hold enough compressed bytes for
    // decoding them on the side to pay off.
    static Mode ModeFor(cBig& big, const std::vector<Item>& items);

    // The next item's prepared entry, in the order given; null after the last
    // one. It stays valid until the next call. Spent entries are handed back
    // and freed on the prefetching thread, which made them: memory then stays
    // with one thread's allocator instead of piling up between two.
    const PreparedEntry* next();

private:
    static constexpr std::size_t kMaxReady = 1024;
    void run();

    const std::shared_ptr<const BigDirectory> mDirectory; // null when the reader was not loaded
    const std::vector<Item> mItems;
    const std::size_t mMaxBytes;

    // Used by whichever thread prepares: the second one when Ahead, the
    // caller's when InTurn (stored entries are then views into it, which
    // live until the next call as the entry does).
    DataWindow mWindow;
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<PreparedEntry> mReady;
    std::vector<PreparedEntry> mSpent;
    std::optional<PreparedEntry> mCurrent;
    std::size_t mReadyBytes = 0;
    std::size_t mTaken = 0;
    bool mStopping = false;
    std::thread mThread; // last: starts once everything above is in place (Ahead only)
};

} // namespace pelkora
