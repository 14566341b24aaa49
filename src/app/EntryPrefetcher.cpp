#include "app/EntryPrefetcher.h"

#include <algorithm>
#include <new>

namespace pelkora {

EntryPrefetcher::EntryPrefetcher(const cBig& big, std::vector<Item> items, Mode mode, std::size_t maxBytes)
    : directory_(big.Directory())
    , items_(std::move(items))
    , maxBytes_(maxBytes)
    , thread_(mode == Mode::Ahead ? std::thread([this] { run(); }) : std::thread())
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
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void EntryPrefetcher::run()
{
    for (const Item& item : items_) {
        std::vector<PreparedEntry> spent;
        {
            std::unique_lock lock(mutex_);
            // Bounded by bytes and by count: a run of tiny or streamed
            // entries would otherwise queue the whole archive.
            changed_.wait(lock, [this] {
                return stopping_ || ready_.empty() || (readyBytes_ < maxBytes_ && ready_.size() < kMaxReady);
            });
            if (stopping_)
                return;
            spent.swap(spent_);
        }
        spent.clear();
        PreparedEntry entry;
        try {
            entry = PrepareEntry(directory_, item.id, item.fullName);
        } catch (const std::bad_alloc&) {
            entry.fullName = item.fullName;
            entry.failure = {false, QStringLiteral("PrepareEntry"), extract_error::OutOfMemory,
                QStringLiteral("\"%1\": out of memory.").arg(item.fullName), {}};
        }
        const std::size_t bytes = static_cast<std::size_t>(entry.content.size());
        {
            std::lock_guard lock(mutex_);
            readyBytes_ += bytes;
            ready_.push_back(std::move(entry));
        }
        changed_.notify_all();
    }
}

const PreparedEntry* EntryPrefetcher::next()
{
    std::unique_lock lock(mutex_);
    if (current_) {
        spent_.push_back(std::move(*current_));
        current_.reset();
    }
    if (taken_ == items_.size())
        return nullptr;
    if (!thread_.joinable()) {
        spent_.clear();
        const Item& item = items_[taken_++];
        current_ = PrepareEntry(directory_, item.id, item.fullName);
        return &*current_;
    }
    changed_.wait(lock, [this] { return !ready_.empty(); });
    current_ = std::move(ready_.front());
    ready_.pop_front();
    readyBytes_ -= static_cast<std::size_t>(current_->content.size());
    ++taken_;
    lock.unlock();
    changed_.notify_all();
    return &*current_;
}

} // namespace pelkora
