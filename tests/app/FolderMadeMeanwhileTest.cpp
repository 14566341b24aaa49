// A folder that another writer makes while this one is making it: the
// threads of one extraction make the same new folders at the same time.

#include "ExtractTestSupport.h"
#include "support/ConfinedWrite.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The name whose next look-up finds it made by "another writer" just before.
std::atomic<const char*> gMadeBeforeLook{nullptr};

} // namespace

// Stands in for the C library's fstatat in this test program, so that the
// other writer's folder can appear at exactly the moment between a writer's
// failed open and its look at what holds the name. Unarmed, it only passes
// the call on.
extern "C" int fstatat(int dirfd, const char* path, struct stat* st, int flags) noexcept
{
    const char* name = gMadeBeforeLook.load();
    if (name != nullptr && std::strcmp(path, name) == 0 && gMadeBeforeLook.compare_exchange_strong(name, nullptr))
        ::mkdirat(dirfd, path, 0777);
    return static_cast<int>(::syscall(SYS_newfstatat, dirfd, path, st, flags));
}

using namespace pelkora;
using pelkora::testsupport::ReadAll;

TEST(FolderMadeMeanwhile, IsUsedNotReportedAsOneThatCannotBeMade)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    ConfinedWriter writer(tmp.path(), 2);
    for (const char* level : {"top", "inner"}) {
        SCOPED_TRACE(level);
        gMadeBeforeLook = level;
        const QStringList folders = std::strcmp(level, "top") == 0 ? QStringList{"top"} : QStringList{"top", "inner"};
        const ConfinedResult r = writer.write(folders, "file.bin", "DATA", 0);
        EXPECT_EQ(gMadeBeforeLook.load(), nullptr) << "the folder was never looked up";
        ASSERT_TRUE(r.ok()) << r.message().toStdString();
        EXPECT_EQ(ReadAll(tmp.path() + u'/' + folders.join(u'/') + "/file.bin"), "DATA");
    }
}
