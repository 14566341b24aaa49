// The window's command that writes an archive: New Archive from Folder.
#include "UiFixture.h"

#include "archive/cBig.h"
#include "ui/FileGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <map>
#include <optional>

using namespace pelkora;
using namespace pelkora::uitest;

namespace {

class PackCommandsTest : public UiFixture {
protected:
    // A folder of files below the scratch folder: relative path -> content.
    QString makeFolder(const QString& name, const std::vector<std::pair<QString, QByteArray>>& files)
    {
        const QString root = scratchPath(name);
        for (const auto& [path, content] : files) {
            const QString full = root + '/' + path;
            QDir().mkpath(QFileInfo(full).path());
            QFile file(full);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        return root;
    }

    // Answers the two dialogs with `folder` and `target` (empty: cancelled).
    void answer(frmMain& w, const QString& folder, const QString& target)
    {
        w.setFolderDialogRunner([this, folder](QWidget*, const QString&) {
            ++mFolderAsked;
            return folder;
        });
        w.setSaveDialogRunner([this, target](QWidget*, const QString&, const QString& filter) {
            ++mSaveAsked;
            EXPECT_EQ(filter, "Big file (*.big)");
            return target;
        });
    }

    // Answers Add or Replace Files' three questions: the files, the folder
    // in the archive (nothing: cancelled) and the new archive's name.
    void answerAdd(frmMain& w, const QStringList& files, std::optional<QString> folder, const QString& target)
    {
        w.setFilesDialogRunner([this, files](QWidget*, const QString&) {
            ++mFilesAsked;
            return files;
        });
        w.setTextQuestion([this, folder](QWidget*, const QString&, const QString&, const QString& offered) {
            mOfferedFolder = offered;
            return folder;
        });
        w.setSaveDialogRunner([this, target](QWidget*, const QString&, const QString&) {
            ++mSaveAsked;
            return target;
        });
    }

    // Clicks the list's row of the entry `fullName`.
    void clickEntry(frmMain& w, const QString& fullName)
    {
        w.show();
        FileGrid* grid = Controls(w).Grid1;
        for (int row = 1; row < grid->Rows(); ++row) {
            const QStringList cells = rowCells(row);
            if (cells[6] + cells[0] == fullName) {
                const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
                return;
            }
        }
        ADD_FAILURE() << "not listed: " << fullName.toStdString();
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Every entry of the archive at `path`: full name -> content.
    static std::map<QString, QByteArray> contentsOf(const QString& path)
    {
        std::map<QString, QByteArray> contents;
        cBig big;
        if (!big.Load(path))
            return contents;
        for (std::int32_t id = 0; id < big.FileCount(); ++id)
            contents[big.GetFileName(id)] = big.GetFileBlob(id);
        return contents;
    }

    const std::vector<testsupport::TestEntry> kOriginal{
        {.name = "readme.txt", .data = "read me", .timestamp = 1000},
        {.name = "data\\maps\\level1.map", .data = QByteArray(4000, 'm'), .compress = true, .timestamp = 2000},
        {.name = "data\\other.bin", .data = "other", .timestamp = 3000},
    };

    int mFolderAsked = 0;
    int mSaveAsked = 0;
    int mFilesAsked = 0;
    QString mOfferedFolder;
};

TEST_F(PackCommandsTest, NewArchiveFromFolderPacksItAndListsTheNewArchive)
{
    const QString folder = makeFolder("game",
        {{"readme.txt", QByteArray(1234, 'r')}, {"data/maps/level1.map", QByteArray(5000, 'm')},
            {"data/empty.bin", QByteArray()}});
    const QString target = scratchPath("new.big");
    frmMain& w = start();
    answer(w, folder, target);
    Controls(w).mnuNewArchive->trigger();

    EXPECT_EQ(mFolderAsked, 1);
    EXPECT_EQ(mSaveAsked, 1);
    EXPECT_TRUE(mReports.empty()) << (mReports.empty() ? "" : mReports.front().text.toStdString());
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + target);
    EXPECT_FALSE(w.working());
    EXPECT_FALSE(Controls(w).pbBar->isVisible());
    ASSERT_EQ(Controls(w).Grid1->Rows(), 4);
    QStringList listed;
    for (int row = 1; row <= 3; ++row) {
        const QStringList cells = rowCells(row);
        listed << cells[6] + cells[0] + '=' + cells[3];
    }
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"data\\empty.bin=0", "data\\maps\\level1.map=5,000", "readme.txt=1,234"}));
}

TEST_F(PackCommandsTest, CancellingEitherDialogWritesNothing)
{
    const QString folder = makeFolder("game", {{"a.txt", "a"}});
    const QString target = scratchPath("new.big");
    const struct {
        const char* name;
        QString folder;
        QString target;
        int saveAsked;
    } cases[] = {{"folder cancelled", QString(), target, 0}, {"save cancelled", folder, QString(), 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mFolderAsked = mSaveAsked = 0;
        frmMain& w = start();
        answer(w, c.folder, c.target);
        const QString title = w.windowTitle();
        Controls(w).mnuNewArchive->trigger();
        EXPECT_EQ(mFolderAsked, 1);
        EXPECT_EQ(mSaveAsked, c.saveAsked);
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_EQ(w.windowTitle(), title);
        EXPECT_EQ(Controls(w).Grid1->Rows(), 1);
        EXPECT_TRUE(mReports.empty());
    }
}

// A skipped link is reported after the rest is written; a folder with a name
// the format cannot take writes nothing and says why.
TEST_F(PackCommandsTest, SkippedLinksAreReportedAndRefusalsWriteNothing)
{
    const QString folder = makeFolder("game", {{"a.txt", "a"}});
    ASSERT_TRUE(QFile::link(folder + "/a.txt", folder + "/link.txt"));
    const QString target = scratchPath("new.big");
    frmMain& w = start();
    answer(w, folder, target);
    Controls(w).mnuNewArchive->trigger();
    ASSERT_EQ(mReports.size(), 1u);
    EXPECT_EQ(mReports[0].title, kErrorTitle);
    EXPECT_TRUE(mReports[0].text.contains("link.txt")) << mReports[0].text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(target));
    EXPECT_EQ(Controls(w).Grid1->Rows(), 2);

    mReports.clear();
    const QString inside = folder + "/packed.big"; // the output among its own inputs
    QFile::copy(target, inside);
    answer(w, folder, inside);
    const QByteArray before = [&] {
        QFile f(inside);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    Controls(w).mnuNewArchive->trigger();
    ASSERT_EQ(mReports.size(), 1u);
    EXPECT_TRUE(mReports[0].text.contains("output archive")) << mReports[0].text.toStdString();
    QFile f(inside);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

// A changed file put back in the folder of the entry the list is on
// replaces that entry, a new file joins it, the rest keeps its content, and
// the window lists the new archive while the open one stays as it was.
TEST_F(PackCommandsTest, AddOrReplaceFilesWritesANewArchiveAndOpensIt)
{
    const QString original = writeArchive("original.big", kOriginal);
    const QByteArray originalBytes = bytesOf(original);
    const QString changed = makeFolder("changed", {{"level1.map", "changed map"}, {"new.txt", "new"}});
    const QString target = scratchPath("updated.big");
    frmMain& w = start(original);
    clickEntry(w, "data\\maps\\level1.map");
    answerAdd(w, {changed + "/level1.map", changed + "/new.txt"}, QString("data\\maps"), target);
    Controls(w).mnuAddFiles->trigger();

    EXPECT_EQ(mOfferedFolder, "data\\maps");
    EXPECT_TRUE(mReports.empty()) << (mReports.empty() ? "" : mReports.front().text.toStdString());
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + target);
    EXPECT_EQ(Controls(w).Grid1->Rows(), 5);
    EXPECT_FALSE(w.working());
    EXPECT_EQ(bytesOf(original), originalBytes);
    const std::map<QString, QByteArray> expected{
        {"readme.txt", "read me"},
        {"data\\maps\\level1.map", "changed map"},
        {"data\\maps\\new.txt", "new"},
        {"data\\other.bin", "other"},
    };
    EXPECT_EQ(contentsOf(target), expected);
}

// Each of these writes nothing, leaves the open archive listed and, where
// the user did not simply cancel, says why.
TEST_F(PackCommandsTest, AddOrReplaceFilesRefusalsWriteNothing)
{
    const QString original = writeArchive("original.big", kOriginal);
    const QByteArray originalBytes = bytesOf(original);
    const QString changed = makeFolder("changed", {{"readme.txt", "changed"}});
    const QString file = changed + "/readme.txt";
    const QString target = scratchPath("updated.big");
    const struct {
        const char* name;
        QStringList files;
        std::optional<QString> folder;
        QString target;
        const char* reason; // empty: nothing reported
    } cases[] = {
        {"files cancelled", {}, QString(), target, ""},
        {"folder cancelled", {file}, std::nullopt, target, ""},
        {"save cancelled", {file}, QString(), QString(), ""},
        {"the open archive as target", {file}, QString(), original, "the open archive"},
        {"a folder leaving the destination", {file}, QString(".."), target, "readme.txt"},
        {"the open archive among the files", {original}, QString(), target, "output archive"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mReports.clear();
        mSaveAsked = 0;
        mOfferedFolder = "unset";
        frmMain& w = start(original);
        answerAdd(w, c.files, c.folder, c.target);
        Controls(w).mnuAddFiles->trigger();
        if (c.files.isEmpty())
            EXPECT_EQ(mSaveAsked, 0);
        else
            EXPECT_EQ(mOfferedFolder, ""); // no row picked: the top level
        EXPECT_FALSE(QFileInfo::exists(target));
        EXPECT_EQ(bytesOf(original), originalBytes);
        EXPECT_EQ(w.windowTitle(), "Pelkora - " + original);
        EXPECT_EQ(Controls(w).Grid1->Rows(), 4);
        if (*c.reason) {
            ASSERT_EQ(mReports.size(), 1u);
            EXPECT_TRUE(mReports[0].text.contains(c.reason)) << mReports[0].text.toStdString();
        } else {
            EXPECT_TRUE(mReports.empty());
        }
    }
}

TEST_F(PackCommandsTest, AddOrReplaceFilesNeedsAnOpenArchive)
{
    frmMain& w = start();
    answerAdd(w, {}, QString(), scratchPath("updated.big"));
    Controls(w).mnuAddFiles->trigger();
    EXPECT_EQ(mFilesAsked, 0);
    EXPECT_TRUE(mReports.empty());
}

} // namespace
