// The window's command that writes an archive: New Archive from Folder.
#include "UiFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

    int mFolderAsked = 0;
    int mSaveAsked = 0;
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

} // namespace
