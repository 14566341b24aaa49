#pragma once
// Marks a listing, an extraction run or a packing for its whole length. A
// stop asked for during one piece of work does not carry over to the next.

namespace pelkora {

class WorkScope {
public:
    WorkScope(bool& flag, bool& stop)
        : mFlag(flag)
        , mStop(stop)
    {
        mFlag = true;
        mStop = false;
    }
    ~WorkScope()
    {
        mFlag = false;
        mStop = false;
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    bool& mFlag;
    bool& mStop;
};

} // namespace pelkora
