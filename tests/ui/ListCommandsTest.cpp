// The list's filter, its context menu, the preview window, opening an entry
// with the desktop's application, dropping an archive and File > Properties.
#include "UiFixture.h"

#include "app/ArchiveInfo.h"
#include "app/ListRow.h"
#include "ui/FilterBox.h"
#include "ui/PreviewWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>

using namespace pelkora;
using namespace pelkora::uitest;
using testsupport::TestEntry;

namespace {

template <typename T> T* Named(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An uncompressed 24-bit TGA: 18-byte header, the pixels (blue first) and
// the footer that Qt's reader asks for.
QByteArray tgaBytes(int width, int height)
{
    QByteArray bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width);
    bytes[14] = static_cast<char>(height);
    bytes[16] = 24;
    bytes[17] = 0x20; // rows from the top
    for (int i = 0; i < width * height; ++i)
        bytes.append("\x00\x00\xff", 3);
    bytes.append(QByteArray(8, '\0'));
    bytes.append("TRUEVISION-XFILE.", 18);
    return bytes;
}

class ListCommandsTest : public UiFixture {
protected:
    // Entries whose list order (top level first, then folders) is known.
    QString sixEntries()
    {
        return writeArchive("six.big",
            {{.name = "readme.txt", .data = "read me"}, {.name = "Data\\Maps\\level1.map", .data = "one"},
                {.name = "data\\maps\\Level2.MAP", .data = "two"}, {.name = "data\\sounds\\shot.wav", .data = "bang"},
                {.name = "art\\shot.TGA", .data = tgaBytes(2, 1)}, {.name = "art\\ui\\button.tga", .data = "x"}});
    }

    frmMain& startOn(const QString& archive)
    {
        frmMain& w = start(archive);
        w.setDestinationPrompt([this](QString& destination) {
            destination = mDestination;
            return true;
        });
        w.setEntryExtractor([this](const QString&, const QString& name, const QString& path) {
            mExtracted << path + name;
            if (mDuringVisit)
                mDuringVisit();
        });
        w.setUrlOpener([this](const QUrl& url) {
            mOpened << url;
            return true;
        });
        return w;
    }

    FilterBox* filter() { return Named<FilterBox>(*mWindow, "txtFilter"); }
    QAction* menuAction(const char* name) { return Named<QAction>(*mWindow, name); }

    // Full names of the rows the list shows, top to bottom.
    QStringList shownNames()
    {
        const QAbstractItemModel* model = Controls(*mWindow).Grid1->model();
        QStringList names;
        for (int v = 0; v < model->rowCount(); ++v)
            names << model->index(v, ColPath).data().toString() + model->index(v, ColName).data().toString();
        return names;
    }
    QStringList listedNames()
    {
        QStringList names;
        for (int r = 1; r < Controls(*mWindow).Grid1->Rows(); ++r)
            names << rowCells(r)[ColPath] + rowCells(r)[ColName];
        return names;
    }

    // Clicks view row `viewRow` as a user does (with Shift to extend).
    void clickRow(int viewRow, Qt::KeyboardModifiers modifiers = {})
    {
        FileGrid* grid = Controls(*mWindow).Grid1;
        const QRect cell = grid->visualRect(grid->model()->index(viewRow, ColName));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    PreviewWindow* waitForPreview()
    {
        PreviewWindow* preview = mWindow->findChild<PreviewWindow*>(QStringLiteral("frmPreview"));
        if (!preview)
            return nullptr;
        for (int i = 0; i < 500 && preview->loading(); ++i)
            pumpEvents(10);
        return preview;
    }

    QString mDestination = QStringLiteral("/dest/");
    QStringList mExtracted;
    QList<QUrl> mOpened;
    std::function<void()> mDuringVisit;
};

TEST_F(ListCommandsTest, TheFilterShowsTheRowsItsTextKeepsInListOrder)
{
    frmMain& w = startOn(sixEntries());
    const QStringList all = listedNames();
    ASSERT_EQ(all.size(), 6);
    const struct {
        const char* text;
        QStringList kept;
    } cases[] = {
        {"shot", {"data\\sounds\\shot.wav", "art\\shot.TGA"}},
        {"SHOT", {"data\\sounds\\shot.wav", "art\\shot.TGA"}},
        {"maps\\level", {"Data\\Maps\\level1.map", "data\\maps\\Level2.MAP"}}, // across folder and file
        {"maps/LEVEL", {"Data\\Maps\\level1.map", "data\\maps\\Level2.MAP"}},  // "/" for "\"
        {"data", {"Data\\Maps\\level1.map", "data\\maps\\Level2.MAP", "data\\sounds\\shot.wav"}},
        {"**.tga", {"art\\shot.TGA", "art\\ui\\button.tga"}}, // "**" crosses folders
        {"*.tga", {}},                                        // "*" stays in the top folder
        {"art/*.tga", {"art\\shot.TGA"}},
        {"art/*", {"art\\shot.TGA", "art\\ui\\button.tga"}}, // a folder takes what is below
        {"data/*/level?.map", {"Data\\Maps\\level1.map", "data\\maps\\Level2.MAP"}},
        {"*.TXT", {"readme.txt"}},
        {"nothing", {}},
    };
    const StatusBar* status = Controls(w).sbStatus;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        filter()->setText(QString::fromUtf8(c.text));
        QStringList expected;
        for (const QString& name : all)
            if (c.kept.contains(name))
                expected << name;
        EXPECT_EQ(expected.size(), c.kept.size());
        EXPECT_EQ(shownNames(), expected);
        EXPECT_EQ(status->panelText(1), QStringLiteral("%1 of 6 entries").arg(expected.size()));
        // The rows keep their numbers: the grid still reads every entry.
        EXPECT_EQ(listedNames(), all);
    }
    filter()->clear();
    EXPECT_EQ(shownNames(), all);
    EXPECT_TRUE(status->panelText(1).isEmpty());
}

TEST_F(ListCommandsTest, CtrlFFocusesTheFilterAndEscClearsIt)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    QApplication::setActiveWindow(&w);
    Controls(w).Grid1->setFocus();
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(filter()->hasFocus());
    QTest::keyClicks(filter(), "shot");
    EXPECT_EQ(shownNames().size(), 2);
    QTest::keyClick(filter(), Qt::Key_Escape);
    EXPECT_TRUE(filter()->text().isEmpty());
    EXPECT_EQ(shownNames().size(), 6);
}

TEST_F(ListCommandsTest, ExtractSelectedTakesTheShownSelectedRowsAndExtractAllEveryEntry)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    filter()->setText("shot");
    // Hidden rows lie between the two shown ones.
    clickRow(0);
    clickRow(1, Qt::ShiftModifier);
    // While the run goes on the progress bar lies over the first panel,
    // which says nothing then.
    QStringList panelDuringRun;
    mDuringVisit = [&] { panelDuringRun << Controls(w).sbStatus->panelText(1); };
    Controls(w).mnuExtract->trigger();
    EXPECT_EQ(mExtracted, (QStringList{"art\\shot.TGA", "data\\sounds\\shot.wav"}));
    EXPECT_EQ(panelDuringRun, (QStringList{"", ""}));
    EXPECT_EQ(Controls(w).sbStatus->panelText(1), "2 of 6 entries");
    mDuringVisit = nullptr;

    mExtracted.clear();
    Controls(w).mnuExtAll->trigger();
    EXPECT_EQ(mExtracted, listedNames());
    EXPECT_EQ(filter()->text(), "shot");
    EXPECT_EQ(shownNames().size(), 2);
}

TEST_F(ListCommandsTest, ASelectionReachingHiddenRowsExtractsOnlyItsShownRows)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    clickRow(0);
    clickRow(5, Qt::ShiftModifier);
    filter()->setText("map");
    Controls(w).mnuExtract->trigger();
    EXPECT_EQ(mExtracted, (QStringList{"Data\\Maps\\level1.map", "data\\maps\\Level2.MAP"}));
}

TEST_F(ListCommandsTest, ContextMenuCopiesNamesAndSelectsAllShown)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    filter()->setText("shot");
    menuAction("actSelectAllShown")->trigger();
    EXPECT_TRUE(w.mRowSelected());
    menuAction("actCopyName")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "art\\shot.TGA\ndata\\sounds\\shot.wav");
    menuAction("actExtractSelected")->trigger();
    EXPECT_EQ(mExtracted, (QStringList{"art\\shot.TGA", "data\\sounds\\shot.wav"}));
}

TEST_F(ListCommandsTest, OpenWritesTheEntryToAPrivateFolderAndHandsItOn)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    filter()->setText("readme");
    clickRow(0);
    menuAction("actOpen")->trigger();
    ASSERT_EQ(mOpened.size(), 1);
    QFile opened(mOpened[0].toLocalFile());
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly)) << mOpened[0].toString().toStdString();
    EXPECT_EQ(opened.readAll(), "read me");
    EXPECT_TRUE(opened.fileName().endsWith("/readme.txt"));
    EXPECT_FALSE(opened.fileName().startsWith(mDir.path()));
    // Return on the list does the same.
    Controls(w).Grid1->setFocus();
    QApplication::setActiveWindow(&w);
    QTest::keyClick(Controls(w).Grid1, Qt::Key_Return);
    EXPECT_EQ(mOpened.size(), 2);
    const QString folder = QFileInfo(mOpened[0].toLocalFile()).path();
    mWindow.reset();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(ListCommandsTest, PreviewChoosesTextImageOrHex)
{
    QByteArray binary("\x01\x02\x00\x03", 4);
    binary.append(QByteArray(100 * 1024, '\x07'));
    frmMain& w = startOn(writeArchive("kinds.big",
        {{.name = "a-utf8.txt", .data = "h\xc3\xa9llo"}, {.name = "b-ansi.txt", .data = "caf\xe9"},
            {.name = "c.png", .data = pngBytes(30, 20)}, {.name = "d.tga", .data = tgaBytes(3, 2)},
            {.name = "e.bin", .data = binary}, {.name = "f.png", .data = "not a picture\n", .compress = true}}));
    w.show();
    const struct {
        const char* name;
        PreviewKind kind;
        const char* encoding;
        QSize pixels;
        QString text;
    } cases[] = {
        {"a-utf8.txt", PreviewKind::Text, "UTF-8", {}, QString::fromUtf8("h\xc3\xa9llo")},
        {"b-ansi.txt", PreviewKind::Text, "Windows-1252", {}, QString::fromUtf8("caf\xc3\xa9")},
        {"c.png", PreviewKind::Image, "", {30, 20}, {}},
        {"d.tga", PreviewKind::Image, "", {3, 2}, {}},
        {"e.bin", PreviewKind::Hex, "", {}, {}},
        {"f.png", PreviewKind::Text, "UTF-8", {}, "not a picture\n"},
    };
    const QStringList names = column(ColName);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        filter()->setText(c.name);
        clickRow(0);
        menuAction("actPreview")->trigger();
        PreviewWindow* preview = waitForPreview();
        ASSERT_NE(preview, nullptr);
        ASSERT_FALSE(preview->loading());
        EXPECT_TRUE(preview->isVisible());
        EXPECT_EQ(preview->entryName(), c.name);
        EXPECT_EQ(preview->content().kind, c.kind);
        EXPECT_EQ(preview->content().encoding, c.encoding);
        EXPECT_EQ(preview->content().image.isNull() ? QSize() : preview->content().image.size(), c.pixels);
        if (!c.text.isNull()) {
            EXPECT_EQ(preview->content().text, c.text);
        }
    }
    // The hex view covers the first 64 KB, sixteen bytes a line.
    filter()->setText("e.bin");
    clickRow(0);
    menuAction("actPreview")->trigger();
    const QStringList lines = waitForPreview()->content().text.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4096);
    EXPECT_TRUE(lines[0].startsWith("00000000  01 02 00 03 07")) << lines[0].toStdString();
    EXPECT_TRUE(lines.last().startsWith("0000fff0  07"));
}

TEST_F(ListCommandsTest, SpaceAndDoubleClickPreviewWithoutChangingWhatAClickGives)
{
    frmMain& w = startOn(sixEntries());
    w.show();
    QApplication::setActiveWindow(&w);
    FileGrid* grid = Controls(w).Grid1;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    const bool selectedBefore = w.mRowSelected();
    const int row = grid->Row();
    QTest::keyClick(grid, Qt::Key_Space);
    PreviewWindow* preview = waitForPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->entryName(), rowCells(row)[ColPath] + rowCells(row)[ColName]);
    EXPECT_EQ(w.mRowSelected(), selectedBefore);
    EXPECT_EQ(grid->Row(), row);

    grid->setFocus();
    const QRect cell = grid->visualRect(grid->model()->index(3, ColName));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    preview = waitForPreview();
    EXPECT_EQ(preview->entryName(), rowCells(4)[ColPath] + rowCells(4)[ColName]);
    EXPECT_TRUE(w.mRowSelected());
    EXPECT_EQ(grid->Row(), 4);
}

TEST_F(ListCommandsTest, ALargeEntryIsPreviewedFromItsStart)
{
    frmMain& w = startOn(writeArchive("large.big",
        {{.name = "long.txt", .data = QByteArray(5000, 'a'), .compress = true},
            {.name = "big.png", .data = pngBytes(8, 8)}}));
    const std::shared_ptr<const BigDirectory> directory = gBig->Directory();
    const PreviewContent text = LoadPreview(directory, gBig->FindFullName("long.txt"), "long.txt", 1000);
    EXPECT_EQ(text.kind, PreviewKind::Text);
    EXPECT_EQ(text.readBytes, 1000);
    EXPECT_EQ(text.entrySize, 5000);
    EXPECT_TRUE(text.partial());
    EXPECT_EQ(text.text, QString(1000, u'a'));
    // Part of a picture is no picture.
    const PreviewContent image = LoadPreview(directory, gBig->FindFullName("big.png"), "big.png", 16);
    EXPECT_EQ(image.kind, PreviewKind::Hex);
    EXPECT_EQ(image.readBytes, 16);
    (void)w;
}

TEST_F(ListCommandsTest, DroppingABigFileOpensItAndAnotherNameDoesNothing)
{
    const QString first = sixEntries();
    const QString second = writeArchive("two.BIG", {{.name = "x.txt", .data = "x"}, {.name = "y.txt", .data = "y"}});
    const QString other = scratchPath("notes.zip");
    QFile::copy(second, other);
    frmMain& w = startOn(first);
    w.show();
    const auto drop = [&w](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &dropped);
    };
    drop(other);
    EXPECT_EQ(Controls(w).Grid1->Rows(), 7);
    drop(second);
    EXPECT_EQ(Controls(w).Grid1->Rows(), 3);
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + second);

    // While a run goes on, a drop is refused like a command.
    mDuringVisit = [&] { drop(first); };
    Controls(w).mnuExtAll->trigger();
    EXPECT_EQ(mExtracted.size(), 2);
    EXPECT_EQ(Controls(w).Grid1->Rows(), 3);
}

TEST_F(ListCommandsTest, PropertiesShowWhatTheToolsInfoPrints)
{
    const QString archive = sixEntries();
    frmMain& w = startOn(archive);
    QStringList menu;
    for (QAction* a : Controls(w).mnuFile->actions())
        menu << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(menu.mid(0, 4), (QStringList{"&Open Big Archive", "-", "&Exit", "&Properties"}));
    QString shown;
    w.setPropertiesView([&shown](const QString& text) { shown = text; });
    menuAction("mnuProperties")->trigger();
    cBig big;
    ASSERT_TRUE(big.Load(archive));
    std::vector<NamedEntry> entries;
    for (std::int32_t id = 0; id < big.FileCount(); ++id)
        entries.push_back({id, big.GetFileName(id)});
    EXPECT_EQ(shown, ArchiveInfoLines(GatherArchiveInfo(big, archive, entries)).join(u'\n'));
    EXPECT_TRUE(shown.contains("entries:          6"));
}

} // namespace
