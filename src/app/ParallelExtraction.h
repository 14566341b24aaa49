#pragma once
// Writing many entries on more than one thread at once. Each thread takes
// the next run of neighbouring entries (about one read of the archive's
// data), then reads, decodes and writes them itself, with its own data window
// and its own writer for the destination: decoding and the file system's work
// of one thread overlap those of the other, and no entry is handed from
// thread to thread. The calling thread is one of them: it works on a run
// whenever the next result it asks for is not ready and a run is left.
// Results come back in the order the entries were given, so that messages
// read as if the entries were written one after another.

#include "app/DataWindow.h"
#include "archive/cBig.h"
#include "support/ConfinedWrite.h"
#include "support/Failure.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pelkora {

class ParallelExtraction {
public:
    struct Item {
        std::int32_t id;
        QString fullName;
    };

    // What WritePreparedEntry answered for an item, and the decoded bytes it
    // wrote when they were held whole (0 for an entry written in pieces).
    struct Result {
        Failure failure;
        qint64 bytes = 0;
    };

    // Writes `items` of `big` below `destination` (as ExtractEntry takes it)
    // on `threads` threads, the caller's included; 1 writes them in turn on
    // the caller's thread, as they are asked for.
    ParallelExtraction(const cBig& big, std::vector<Item> items, const QString& destination, int threads);
    // Stops starting entries and waits for the other threads.
    ~ParallelExtraction();
    ParallelExtraction(const ParallelExtraction&) = delete;
    ParallelExtraction& operator=(const ParallelExtraction&) = delete;

    // The threads worth using on this machine.
    static int DefaultThreads();

    // The next item's result, once its file is written; null after the last
    // one. Valid as long as this object.
    const Result* next();

private:
    struct Worker {
        explicit Worker(const QString& root, std::size_t writers)
            : writer(root, writers)
        {
        }
        ConfinedWriter writer;
        DataWindow window;
    };

    bool workOnNextRun(Worker& worker);
    Result writeItem(const Item& item, Worker& worker) const;

    const std::shared_ptr<const BigDirectory> mDirectory; // null when the reader was not loaded
    const std::vector<Item> mItems;
    std::vector<std::size_t> mRunStarts; // first item of each run, then the number of items
    std::atomic<std::size_t> mNextRun{0};
    std::atomic<bool> mStopping{false};

    std::mutex mMutex;
    std::condition_variable mWritten;
    std::vector<Result> mResults; // filled under mMutex
    std::vector<char> mDone;      // under mMutex
    std::size_t mTaken = 0;       // caller's thread only

    std::vector<std::unique_ptr<Worker>> mWorkers; // [0]: the caller's
    std::vector<std::thread> mThreads;             // last: start once everything above is in place
};

} // namespace pelkora
