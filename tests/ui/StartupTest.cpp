// Start-up and the empty window, the command-line argument, the listing.
#include "OpenDescriptors.h"
#include "UiFixture.h"

#include "support/Paths.h"
#include "support/TimestampText.h"
#include "ui/StatusBar.h"
#include "ui/Twips.h"
#include "ui/frmExtractDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QProgressBar>

using namespace pelkora;
using namespace pelkora::uitest;
using testsupport::TestEntry;

namespace {

class StartupTest : public UiFixture {
protected:
    void SetUp() override
    {
        UiFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::system());
        UiFixture::TearDown();
    }

    void expectReady(const frmMain& w)
    {
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(2), "Green");
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(3), "Gray");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Controls(w).pbBar->isVisible());
        EXPECT_TRUE(Controls(w).Grid1->painting());
    }
};

TEST_F(StartupTest, WithoutArgumentTheWindowIsEmptyAndReady)
{
    frmMain& w = start();
    EXPECT_EQ(gMainForm, &w);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Pelkora");
    EXPECT_EQ(gBig, nullptr);
    expectReady(w);

    const struct {
        const char* header;
        int width;
    } columns[] = {{"Name", 2400}, {"Type", 1100}, {"Modified", 1850}, {"Size", 1000}, {"Packed", 1000}, {"Ratio", 700},
        {"Path", 6000}, {"Sort", 0}};
    ASSERT_EQ(Controls(w).Grid1->Rows(), 1);
    ASSERT_EQ(Controls(w).Grid1->Cols(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(Controls(w).Grid1->TextMatrix(0, c), columns[c].header) << c;
        EXPECT_EQ(Controls(w).Grid1->ColWidth(c), columns[c].width) << c;
        EXPECT_EQ(Controls(w).Grid1->columnWidth(c),
            std::lround(TwipsToPixels(columns[c].width) * Controls(w).Grid1->widthScale()))
            << c;
        EXPECT_EQ(Controls(w).Grid1->model()->headerData(c, Qt::Horizontal).toString(), columns[c].header) << c;
    }
    EXPECT_TRUE(Controls(w).Grid1->horizontalHeader()->isVisible());
    EXPECT_GT(Controls(w).Grid1->horizontalHeader()->height(), 0);
    EXPECT_EQ(Controls(w).Grid1->model()->rowCount(), 0);
    EXPECT_EQ(Controls(w).Grid1->Row(), 0);
    EXPECT_EQ(Controls(w).Grid1->Col(), 0);
    EXPECT_FALSE(w.mRowSelected());
    ASSERT_NE(w.mDestDialog(), nullptr);
    EXPECT_FALSE(w.mDestDialog()->isVisible());
    EXPECT_TRUE(w.mLastPath().isEmpty());
    EXPECT_TRUE(mReports.empty());
}

// What a file manager passes: a path, or a file:// URI for %u.
TEST(ArgumentText, FileUrisBecomeLocalPathsAndUndecodableBytesAreFound)
{
    const struct {
        const char* argument;
        const char* path;
    } cases[] = {
        {"/tmp/a.big", "/tmp/a.big"},
        {"file:///tmp/a%20b.big", "/tmp/a b.big"},
        {"FILE:///tmp/caf%C3%A9.big", "/tmp/caf\u00e9.big"},
        {"file://localhost/tmp/x.big", "/tmp/x.big"},
        {"/tmp/file:///x.big", "/tmp/file:///x.big"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchivePathFromArgument(QString::fromUtf8(c.argument)), QString::fromUtf8(c.path)) << c.argument;

    const char* good[] = {"pelkora", "/tmp/caf\xc3\xa9.big"};
    const char* bad[] = {"pelkora", "/tmp/ok.big", "/tmp/caf\xe9.big"};
    EXPECT_EQ(UndecodableArgument(2, good), 0);
    EXPECT_EQ(UndecodableArgument(3, bad), 2);
}

TEST(ArgumentText, IsTheArgumentsAfterTheProgramJoinedWithSingleBlanks)
{
    const struct {
        QStringList arguments;
        const char* text;
    } cases[] = {
        {{"pelkora"}, ""},
        {{"pelkora", "/tmp/a.big"}, "/tmp/a.big"},
        {{"pelkora", "/tmp/my", "games/a.big"}, "/tmp/my games/a.big"},
        {{"pelkora", "/tmp/my  games/a.big"}, "/tmp/my  games/a.big"},
        {{"pelkora", "\"/tmp/a.big\""}, "\"/tmp/a.big\""},
        {{"pelkora", "/tmp/a.big", ""}, "/tmp/a.big "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArgumentText(c.arguments), c.text) << c.arguments.join('|').toStdString();
}

TEST_F(StartupTest, WithAnArchiveItIsListedSortedAndNamedInTheCaption)
{
    const std::int32_t t = 1104580800;
    const QString path = writeArchive("my game.big",
        {
            {.name = "data\\maps\\level1.map", .data = QByteArray(5000, 'm'), .compress = true, .timestamp = t},
            {.name = "a.b.c", .data = QByteArray(1234567, 'x'), .timestamp = t + 1},
            {.name = "readme", .data = QByteArray(), .timestamp = t + 2},
            {.name = "Zeta.TXT", .data = QByteArray(10, 'z'), .timestamp = t + 3, .packedSize = 0},
            {.name = "alpha.txt", .data = QByteArray(10, 'a'), .timestamp = t + 4, .uncompressedSize = 8},
            {.name = "data\\art\\tree.tga", .data = QByteArray(2000, 't'), .timestamp = t + 5},
            {.name = "data\\maps\\level0.map", .data = QByteArray(100, 'n'), .timestamp = t + 6},
            {.name = "dot.", .data = QByteArray(3, 'd'), .timestamp = t + 7},
        });
    frmMain& w = start(path);
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + path);
    expectReady(w);
    ASSERT_NE(gBig, nullptr);
    EXPECT_TRUE(gBig->Loaded());
    EXPECT_FALSE(w.mRowSelected());
    EXPECT_TRUE(mReports.empty());
    EXPECT_TRUE(w.mLastPath().isEmpty()); // the command line does not seed the Open dialog

    const QString y = QString(QChar(0xFF));
    // Root entries first by type then name, then folders; codes order "B" < "a".
    const QStringList expected[] = {
        {"dot.", " File", "", "3", "3", "00%", "", " Filedot."},
        {"a.b.c", "C File", "", "1,234,567", "1,234,567", "00%", "", "C Filea.b.c"},
        {"readme", "README File", "", "0", "0", "00%", "", "README Filereadme"},
        {"Zeta.TXT", "TXT File", "", "10", "0", "100%", "", "TXT FileZeta.TXT"},
        {"alpha.txt", "TXT File", "", "8", "10", "-25%", "", "TXT Filealpha.txt"},
        {"tree.tga", "TGA File", "", "2,000", "2,000", "00%", "data\\art\\", y + "data\\art\\TGA Filetree.tga"},
        {"level0.map", "MAP File", "", "100", "100", "00%", "data\\maps\\", y + "data\\maps\\MAP Filelevel0.map"},
        {"level1.map", "MAP File", "", "5,000", "", "", "data\\maps\\", y + "data\\maps\\MAP Filelevel1.map"},
    };
    const std::int32_t stamps[] = {t + 7, t + 1, t + 2, t + 3, t + 4, t + 5, t + 6, t};
    ASSERT_EQ(Controls(w).Grid1->Rows(), 9);
    for (int r = 0; r < 8; ++r) {
        QStringList cells = rowCells(r + 1);
        QStringList want = expected[r];
        want[2] = TimestampText(stamps[r]);
        if (want[4].isEmpty()) { // compressed: packed size and ratio come from the stream
            EXPECT_NE(cells[4], "5,000");
            EXPECT_TRUE(cells[5].endsWith('%'));
            want[4] = cells[4];
            want[5] = cells[5];
        }
        EXPECT_EQ(cells, want) << "row " << r + 1;
    }
    EXPECT_EQ(Controls(w).Grid1->model()->rowCount(), 8);
    EXPECT_EQ(Controls(w).Grid1->model()->data(Controls(w).Grid1->model()->index(1, 0)).toString(), "a.b.c");
}

TEST_F(StartupTest, OnlyPathsEndingInBigAreOpened)
{
    const std::vector<TestEntry> first = {{.name = "first.txt", .data = "1"}};
    const std::vector<TestEntry> second = {{.name = "second.txt", .data = "2"}, {.name = "more.txt", .data = "3"}};
    const QString firstPath = writeArchive("first.big", first);
    for (const char* name : {"other.bigx", "other.big ", "other.bi"})
        writeArchive(name, second);

    const struct {
        QString argument;
        bool opened;
    } cases[] = {
        {scratchPath("other.big "), false},
        {'"' + scratchPath("first.big") + '"', false},
        {scratchPath("other.bigx"), false},
        {scratchPath("other.bi"), false},
        {"big", true}, // exactly three characters: a missing file, reported
        {writeArchive("UPPER.BIG", second), true},
        {writeArchive("plainxbig", second), true},
        {writeArchive("Mixed.bIg", second), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        mReports.clear();
        frmMain& w = start(firstPath);
        const cBig* firstReader = gBig.get();
        w.OpenFile(c.argument);
        if (c.opened) {
            EXPECT_EQ(w.windowTitle(), "Pelkora - " + c.argument);
            // A new reader, told apart by what it holds: the old one is freed
            // first, so the new one may well have the same address.
            ASSERT_NE(gBig, nullptr);
            EXPECT_NE(gBig->Name(), firstPath);
            EXPECT_EQ(gBig->Name(), gBig->Loaded() ? c.argument : QString());
        } else {
            EXPECT_EQ(w.windowTitle(), "Pelkora - " + firstPath);
            EXPECT_EQ(gBig.get(), firstReader);
            EXPECT_EQ(column(0), QStringList{"first.txt"});
            EXPECT_TRUE(mReports.empty());
        }
        // The same screening applies to the command line.
        mWindow.reset();
        ReleaseBig();
        frmMain& fromCommandLine = start(c.argument);
        EXPECT_EQ(fromCommandLine.windowTitle(), c.opened ? "Pelkora - " + c.argument : QString("Pelkora"));
        EXPECT_EQ(gBig != nullptr, c.opened);
    }
}

TEST_F(StartupTest, AFailedLoadShowsTheReaderFormReport)
{
    QFile notArchive(scratchPath("notes.big"));
    ASSERT_TRUE(notArchive.open(QIODevice::WriteOnly));
    notArchive.write("These are plain notes, long enough to hold a header.\n");
    notArchive.close();
    QDir().mkpath(scratchPath("folder.big"));

    const struct {
        QString path;
        const char* text;
    } cases[] = {
        {scratchPath("missing.big"),
            "An error occurred while loading a new Big file.\r\n\r\nError Number: 1001\r\nDescription: File not found."},
        {scratchPath("folder.big"),
            "An error occurred while loading a new Big file.\r\n\r\nError Number: 1001\r\nDescription: File not found."},
        {scratchPath("notes.big"),
            "An error occurred while loading a new Big file.\r\n\r\nError Number: 1002\r\n"
            "Description: File is not a Big file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        mReports.clear();
        frmMain& w = start(writeArchive("listed.big", {{.name = "x.txt", .data = "x"}}));
        w.OpenFile(c.path);
        ASSERT_EQ(mReports.size(), 1u);
        EXPECT_EQ(mReports[0].title, "Application Error");
        EXPECT_EQ(mReports[0].text, c.text);
        EXPECT_EQ(Controls(w).Grid1->Rows(), 1);
        EXPECT_EQ(w.windowTitle(), "Pelkora - " + c.path);
        ASSERT_NE(gBig, nullptr);
        EXPECT_FALSE(gBig->Loaded());
        expectReady(w);
    }
}

// A name that cannot be read ends the listing with the caught-form report;
// the rows read before it stay and the list is drawn again.
TEST_F(StartupTest, AListingThatFailsPartWayShowsTheRowsReadBeforeIt)
{
    const QString path = writeArchive("broken.big",
        {
            {.name = "first.txt", .data = "1"},
            {.name = "second.txt", .data = "2"},
            {.name = "third.txt", .data = "3", .offset = 1 << 30},
            {.name = "fourth.txt", .data = "4"},
        });
    frmMain& w = start(path);
    ASSERT_EQ(mReports.size(), 1u);
    EXPECT_TRUE(mReports[0].text.contains("In the Module GetFileName")) << mReports[0].text.toStdString();
    EXPECT_TRUE(Controls(w).Grid1->painting());
    EXPECT_TRUE(Controls(w).Grid1->updatesEnabled());
    EXPECT_EQ(column(0), QStringList({"first.txt", "second.txt"}));
    expectReady(w);
}

TEST_F(StartupTest, ASecondArchiveReplacesTheFirstAndClosesItsFile)
{
    const QString a = writeArchive("a.big", {{.name = "one.txt", .data = "1"}, {.name = "two.txt", .data = "2"}});
    const QString b = writeArchive("b.big", {{.name = "dir\\three.txt", .data = "3"}});
    frmMain& w = start(a);
    EXPECT_EQ(testsupport::OpenDescriptorsOn(a), 1);
    w.Grid1_Click();
    w.OpenFile(b);
    EXPECT_EQ(testsupport::OpenDescriptorsOn(a), 0);
    EXPECT_EQ(testsupport::OpenDescriptorsOn(b), 1);
    EXPECT_EQ(column(0), QStringList{"three.txt"});
    EXPECT_EQ(column(6), QStringList{"dir\\"});
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + b);
    EXPECT_FALSE(w.mRowSelected());
    EXPECT_EQ(gBig->Name(), b);
}

} // namespace
