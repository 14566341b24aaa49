#include "BigWriter.h"
#include "archive/BigRuntimeError.h"
#include "archive/cBig.h"
#include "support/Crc.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelkora;
using pelkora::testsupport::TestEntry;

TEST(Reader, LoadsAndReadsEntries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.big");
    ASSERT_TRUE(pelkora::testsupport::WriteBigArchive(path,
        {TestEntry{.name = "data\\x.txt", .data = "hello", .compress = false, .timestamp = 0},
            TestEntry{.name = "y.bin", .data = QByteArray(300, 'z'), .compress = true, .timestamp = 1}}));
    cBig big;
    ASSERT_TRUE(big.Load(path));
    EXPECT_EQ(big.FileCount(), 2);
    EXPECT_EQ(big.GetFileName(0), "data\\x.txt");
    EXPECT_EQ(big.GetFileBlob(0), "hello");
    EXPECT_TRUE(big.data_compressed_flag(1));
    EXPECT_EQ(big.FindFile(NameKey("Y.BIN")), 1);
    EXPECT_EQ(big.Error().Number(), 0);
}
