// Menus, toolbar and shortcuts reaching the commands; the Open dialog; the
// extraction commands; commands and closing while work is running.
#include "UiFixture.h"

#include "ui/StatusBar.h"
#include "ui/frmExtractDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

using namespace pelkora;
using namespace pelkora::uitest;
using testsupport::TestEntry;

namespace {

enum class Command { Open, Exit, Extract, ExtractAll };
enum class Trigger { Menu, Shortcut, Toolbar };

// One visit of the extraction loop, as the engine sees it.
struct Visit {
    QString destination;
    QString name;
    QString path;
    int progressValue;
    int progressMaximum;
    bool busy;
};

class CommandsTest : public UiFixture {
protected:
    // Starts on an archive and counts what the commands ask for.
    frmMain& startCounting(const QString& argument)
    {
        frmMain& w = start(argument);
        installCounters(w);
        return w;
    }

    void installCounters(frmMain& w)
    {
        w.setOpenDialogRunner([this](QWidget*, const QString& title, const QString& fileName, const QString& filter) {
            mDialogs.push_back({title, fileName, filter});
            return mDialogAnswer ? mDialogAnswer(fileName) : fileName;
        });
        w.setDestinationPrompt([this](QString& destination) {
            ++mPrompts;
            destination = mDestination;
            return mConfirm;
        });
        w.setEntryExtractor([this, &w](const QString& destination, const QString& name, const QString& path) {
            mVisits.push_back({destination, name, path, Controls(w).pbBar->value(), Controls(w).pbBar->maximum(),
                Controls(w).sbStatus->panelPicture(2) == "Gray" && Controls(w).sbStatus->panelPicture(3) == "Red"
                    && QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor
                    && Controls(w).pbBar->isVisible() && !Controls(w).Grid1->painting()});
            if (mDuringVisit)
                mDuringVisit(w);
        });
    }

    QString sixEntryArchive()
    {
        return writeArchive("six.big",
            {{.name = "f.txt", .data = "f"}, {.name = "e.txt", .data = "e"}, {.name = "d.txt", .data = "d"},
                {.name = "c.txt", .data = "c"}, {.name = "b.txt", .data = "b"}, {.name = "sub\\a.txt", .data = "a"}});
    }

    void clickCell(frmMain& w, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect cell = Controls(w).Grid1->visualRect(Controls(w).Grid1->model()->index(row - 1, 0));
        QTest::mouseClick(Controls(w).Grid1->viewport(), Qt::LeftButton, modifiers, cell.center());
    }

    void fire(frmMain& w, Command command, Trigger trigger)
    {
        QAction* menuItem = command == Command::Open ? Controls(w).mnuOpen
            : command == Command::Exit               ? Controls(w).mnuExit
            : command == Command::Extract            ? Controls(w).mnuExtract
                                                     : Controls(w).mnuExtAll;
        switch (trigger) {
        case Trigger::Menu:
            menuItem->trigger();
            break;
        case Trigger::Shortcut:
            w.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
            QTest::keyClick(&w, static_cast<Qt::Key>(menuItem->shortcut()[0].key()), Qt::ControlModifier);
            break;
        case Trigger::Toolbar: {
            const char* key = command == Command::Open ? "Open"
                : command == Command::Extract          ? "Extract"
                                                       : "Extractall";
            QAction* button = nullptr;
            for (QAction* a : Controls(w).tbBar->actions())
                if (a->data().toString() == key)
                    button = a;
            ASSERT_NE(button, nullptr) << key;
            QTest::mouseClick(Controls(w).tbBar->widgetForAction(button), Qt::LeftButton);
            break;
        }
        }
    }

    struct DialogCall {
        QString title;
        QString fileName;
        QString filter;
    };
    std::vector<DialogCall> mDialogs;
    std::function<QString(const QString&)> mDialogAnswer;
    int mPrompts = 0;
    bool mConfirm = true;
    QString mDestination = QStringLiteral("/dest/");
    std::vector<Visit> mVisits;
    std::function<void(frmMain&)> mDuringVisit;
};

TEST_F(CommandsTest, MenusAndToolbarAreAsDesigned)
{
    frmMain& w = start();
    const struct {
        QMenu* menu;
        const char* title;
        QStringList items; // "-" for a separator
        QStringList shortcuts;
    } menus[] = {
        {Controls(w).mnuFile, "&File",
            {"&Open Big Archive", "-", "&Exit", "&Properties", "&New Archive from Folder..."},
            {"Ctrl+O", "", "Ctrl+X", "", ""}},
        {Controls(w).mnuActions, "&Actions",
            {"&Extract selected file(s)", "Extract &All to Directory", "Add or &Replace Files..."},
            {"Ctrl+E", "Ctrl+A", ""}},
    };
    QStringList barTitles;
    for (QAction* a : w.menuBar()->actions())
        barTitles << a->text();
    EXPECT_EQ(barTitles, (QStringList{"&File", "&Actions"}));
    for (const auto& m : menus) {
        EXPECT_EQ(m.menu->title(), m.title);
        QStringList items, shortcuts;
        for (QAction* a : m.menu->actions()) {
            items << (a->isSeparator() ? "-" : a->text());
            shortcuts << a->shortcut().toString();
            EXPECT_TRUE(a->isEnabled());
            EXPECT_FALSE(a->isCheckable());
        }
        EXPECT_EQ(items, m.items);
        EXPECT_EQ(shortcuts, m.shortcuts);
    }

    const struct {
        const char* key; // empty for the separator
        const char* picture;
        const char* tooltip;
    } buttons[] = {{"Open", "Open", "Open Big File"}, {"", "", ""}, {"Extract", "Extract", "Extract Selected file(s)"},
        {"Extractall", "ExtractAll", "Extract All file(s)"}};
    const QList<QAction*> actions = Controls(w).tbBar->actions();
    ASSERT_EQ(actions.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i]->isSeparator(), QString(buttons[i].key).isEmpty());
        if (actions[i]->isSeparator())
            continue;
        EXPECT_EQ(actions[i]->data().toString(), buttons[i].key);
        EXPECT_EQ(actions[i]->toolTip(), buttons[i].tooltip);
        EXPECT_TRUE(actions[i]->text().isEmpty());
        const QPixmap picture = ImageList().picture(buttons[i].picture);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(actions[i]->icon().pixmap(picture.size()).toImage(), picture.toImage());
    }
    EXPECT_EQ(Controls(w).tbBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    for (const char* key : {"Open", "Extract", "ExtractAll", "Gray", "Green", "Red"})
        EXPECT_FALSE(ImageList().picture(key).isNull()) << key;
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(CommandsTest, MenuShortcutAndToolbarReachTheSameCommand)
{
    const struct {
        Command command;
        Trigger trigger;
    } cases[] = {
        {Command::Open, Trigger::Menu},
        {Command::Open, Trigger::Shortcut},
        {Command::Open, Trigger::Toolbar},
        {Command::Extract, Trigger::Menu},
        {Command::Extract, Trigger::Shortcut},
        {Command::Extract, Trigger::Toolbar},
        {Command::ExtractAll, Trigger::Menu},
        {Command::ExtractAll, Trigger::Shortcut},
        {Command::ExtractAll, Trigger::Toolbar},
        {Command::Exit, Trigger::Menu},
        {Command::Exit, Trigger::Shortcut},
    };
    const QString archive = sixEntryArchive();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << " trigger " << int(c.trigger));
        mDialogs.clear();
        mPrompts = 0;
        mExits = 0;
        frmMain& w = startCounting(archive);
        clickCell(w, 2);
        ASSERT_TRUE(w.mRowSelected());
        fire(w, c.command, c.trigger);
        EXPECT_EQ(mDialogs.size(), c.command == Command::Open ? 1u : 0u);
        EXPECT_EQ(mPrompts, c.command == Command::Extract || c.command == Command::ExtractAll ? 1 : 0);
        EXPECT_EQ(mExits, c.command == Command::Exit ? 1 : 0);
        EXPECT_EQ(w.isVisible(), c.command != Command::Exit);
        if (c.command == Command::Exit) {
            EXPECT_EQ(gMainForm, nullptr);
            EXPECT_EQ(w.mDestDialog(), nullptr);
            EXPECT_TRUE(w.shuttingDown());
        }
    }
    // The separator button runs nothing.
    mDialogs.clear();
    mPrompts = 0;
    frmMain& w = startCounting(archive);
    for (QAction* a : Controls(w).tbBar->actions())
        if (a->isSeparator())
            w.tbBar_ButtonClick(a);
    EXPECT_TRUE(mDialogs.empty());
    EXPECT_EQ(mPrompts, 0);
}

TEST_F(CommandsTest, TheOpenDialogStartsInTheProgramFolderThenInTheLastArchivesFolder)
{
    const QString first = sixEntryArchive();
    QDir(mDir.path()).mkdir("other");
    const QString second = writeArchive("other/second.big", {{.name = "z.txt", .data = "z"}});
    frmMain& w = startCounting(first); // the command line does not seed the dialog
    const QString caption = w.windowTitle();
    const QStringList listed = column(0);

    // Cancelled, an empty name, and a typed pattern: nothing changes.
    for (const QString& answer : {QString("<unchanged>"), QString(""), mDir.path() + "/*.big"}) {
        SCOPED_TRACE(answer.toStdString());
        mDialogAnswer = [answer](const QString& fileName) { return answer == "<unchanged>" ? fileName : answer; };
        mDialogs.clear();
        w.mnuOpen_Click();
        ASSERT_EQ(mDialogs.size(), 1u);
        EXPECT_EQ(mDialogs[0].title, "Open");
        EXPECT_EQ(mDialogs[0].filter, "Big file (*.big)");
        EXPECT_EQ(mDialogs[0].fileName, QCoreApplication::applicationDirPath() + "/*.big");
        EXPECT_EQ(w.mLastPath(), QCoreApplication::applicationDirPath() + "/*.big");
        EXPECT_EQ(w.windowTitle(), caption);
        EXPECT_EQ(column(0), listed);
        EXPECT_TRUE(mReports.empty());
    }

    mDialogAnswer = [second](const QString&) { return second; };
    w.mnuOpen_Click();
    EXPECT_EQ(w.mLastPath(), second);
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + second);
    EXPECT_EQ(column(0), QStringList{"z.txt"});

    mDialogs.clear();
    mDialogAnswer = nullptr;
    w.mnuOpen_Click();
    ASSERT_EQ(mDialogs.size(), 1u);
    EXPECT_EQ(mDialogs[0].fileName, mDir.path() + "/other/*.big");
    EXPECT_EQ(w.mLastPath(), second);
}

TEST_F(CommandsTest, TheRealOpenDialogCancelledReturnsTheNameItWasGiven)
{
    frmMain& w = start();
    QString title, filter;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filter = dialog->nameFilters().join('|');
        dialog->reject();
    });
    const QString start = mDir.path() + "/*.big";
    EXPECT_EQ(frmMain::RunOpenDialog(&w, "Open", start, "Big file (*.big)"), start);
    EXPECT_EQ(title, "Open");
    EXPECT_EQ(filter, "Big file (*.big)");
}

TEST_F(CommandsTest, ExtractionCommandsVisitTheirRowsWithTheirProgressScale)
{
    const struct {
        const char* name;
        Command command;
        int click;      // row clicked first, 0 for none
        int shiftClick; // row shift-clicked after it, 0 for none
        bool confirm;
        QStringList names; // visited, in order
        int maximum;
        std::vector<int> values;
    } cases[] = {
        {"selection dragged upward", Command::Extract, 5, 2, true, {"c.txt", "d.txt", "e.txt", "f.txt"}, 4,
            {0, 1, 2, 3}},
        {"selection downward", Command::Extract, 1, 3, true, {"b.txt", "c.txt", "d.txt"}, 3, {0, 1, 2}},
        {"one row", Command::Extract, 6, 0, true, {"a.txt"}, 1, {0}},
        {"extract all", Command::ExtractAll, 0, 0, true, {"b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "a.txt"}, 7,
            {1, 2, 3, 4, 5, 6}},
        {"extract all after a click", Command::ExtractAll, 3, 0, true,
            {"b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "a.txt"}, 7, {1, 2, 3, 4, 5, 6}},
        {"selected before any click", Command::Extract, 0, 0, true, {}, 0, {}},
        {"selected, cancelled", Command::Extract, 2, 4, false, {}, 0, {}},
        {"all, cancelled", Command::ExtractAll, 0, 0, false, {}, 0, {}},
    };
    const QString archive = sixEntryArchive();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mVisits.clear();
        mPrompts = 0;
        mConfirm = c.confirm;
        frmMain& w = startCounting(archive);
        if (c.click)
            clickCell(w, c.click);
        if (c.shiftClick)
            clickCell(w, c.shiftClick, Qt::ShiftModifier);
        const int row = Controls(w).Grid1->Row(), rowSel = Controls(w).Grid1->RowSel(), col = Controls(w).Grid1->Col();
        const bool selected = w.mRowSelected();
        EXPECT_EQ(selected, c.click != 0);

        if (c.command == Command::Extract)
            w.mnuExtract_Click();
        else
            w.mnuExtAll_Click();

        const bool asked = c.command == Command::ExtractAll || c.click != 0;
        EXPECT_EQ(mPrompts, asked ? 1 : 0);
        QStringList names;
        std::vector<int> values;
        for (const Visit& v : mVisits) {
            names << v.name;
            values.push_back(v.progressValue);
            EXPECT_EQ(v.progressMaximum, c.maximum);
            EXPECT_EQ(v.destination, "/dest/");
            EXPECT_EQ(v.path, v.name == "a.txt" ? "sub\\" : "");
            EXPECT_TRUE(v.busy);
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(values, c.values);
        // Back to ready; the run leaves the current cell on its last row, Path column.
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(2), "Green");
        EXPECT_EQ(Controls(w).sbStatus->panelPicture(3), "Gray");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Controls(w).pbBar->isVisible());
        EXPECT_TRUE(Controls(w).Grid1->painting());
        EXPECT_EQ(w.mRowSelected(), selected);
        if (c.names.isEmpty()) {
            EXPECT_EQ(Controls(w).Grid1->Row(), row);
            EXPECT_EQ(Controls(w).Grid1->RowSel(), rowSel);
            EXPECT_EQ(Controls(w).Grid1->Col(), col);
        } else {
            EXPECT_EQ(Controls(w).Grid1->TextMatrix(Controls(w).Grid1->Row(), 0), c.names.last());
            EXPECT_EQ(Controls(w).Grid1->Col(), 6);
        }
    }
}

// Rows chosen from the keyboard alone can be extracted with Ctrl+E.
TEST_F(CommandsTest, KeyboardSelectionIsExtractedByCtrlE)
{
    frmMain& w = startCounting(sixEntryArchive());
    mConfirm = true;
    mDestination = scratchPath("out") + u'/';
    Controls(w).Grid1->setFocus();
    EXPECT_FALSE(w.mRowSelected());
    QTest::keyClick(Controls(w).Grid1, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(Controls(w).Grid1, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(w.mRowSelected());
    QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(mPrompts, 1);
    QStringList names;
    for (const auto& visit : mVisits)
        names << visit.name;
    EXPECT_EQ(names.size(), 2) << names.join(u',').toStdString();
}

// A run steps the current cell to the Path column of every row; the view
// must stay where the user left it, with the widths the user gave.
TEST_F(CommandsTest, ARunKeepsTheUsersViewAndColumnWidths)
{
    frmMain& w = startCounting(sixEntryArchive());
    mConfirm = true;
    mDestination = scratchPath("out") + u'/';
    Controls(w).Grid1->horizontalHeader()->resizeSection(0, 300); // as a drag would
    Controls(w).Grid1->horizontalScrollBar()->setValue(0);
    ASSERT_GT(Controls(w).Grid1->horizontalScrollBar()->maximum(), 0) << "the Path column must lie out of sight";
    for (const Command command : {Command::Extract, Command::ExtractAll}) {
        clickCell(w, 2);
        Controls(w).Grid1->horizontalScrollBar()->setValue(0);
        fire(w, command, Trigger::Menu);
        EXPECT_EQ(Controls(w).Grid1->horizontalScrollBar()->value(), 0);
        EXPECT_EQ(Controls(w).Grid1->columnWidth(0), 300);
        EXPECT_EQ(Controls(w).Grid1->Col(), 6);
    }
}

// The first failure of a run may ask for the rest to be gathered: then one
// list at the end instead of one box per entry. Without that choice every
// failure is reported on its own, as before.
TEST_F(CommandsTest, ARunsFailuresCanBeGatheredIntoOneListAtTheEnd)
{
    const QString archive = writeArchive("refused.big",
        {
            {.name = "..\\one.txt", .data = "x"},
            {.name = "good.txt", .data = "good"},
            {.name = "..\\two.txt", .data = "x"},
            {.name = "..\\three.txt", .data = "x"},
        });
    struct Case {
        const char* what;
        bool installPrompt;
        bool gather;
        int prompts;
        qsizetype gathered;
        std::size_t reports;
    };
    for (const Case c : {Case{"gather the rest", true, true, 1, 2, 0}, Case{"box by box", true, false, 3, 0, 0},
             Case{"no prompt", false, false, 0, 0, 3}}) {
        SCOPED_TRACE(c.what);
        mReports.clear();
        frmMain& w = start(archive);
        const QString out = scratchPath(QStringLiteral("out-%1").arg(QLatin1String(c.what)).replace(u' ', u'-'));
        w.setDestinationPrompt([&](QString& destination) {
            destination = out + u'/';
            return true;
        });
        int prompts = 0;
        QStringList gathered;
        if (c.installPrompt) {
            w.setRunFailurePrompt([&](const QString& title, const QString& text) {
                ++prompts;
                EXPECT_EQ(title, "Application Error");
                EXPECT_TRUE(text.startsWith("An error occurred while extracting a file.")) << text.toStdString();
                return c.gather;
            });
        }
        w.setGatheredFailuresView([&](const QStringList& lines) { gathered = lines; });
        w.mnuExtAll_Click();
        EXPECT_EQ(prompts, c.prompts);
        EXPECT_EQ(gathered.size(), c.gathered);
        for (const QString& line : gathered) {
            const QStringList fields = line.split(u'\t');
            ASSERT_EQ(fields.size(), 3) << line.toStdString();
            EXPECT_TRUE(fields[0].startsWith("..\\")) << line.toStdString();
            EXPECT_EQ(fields[1], "52");
            EXPECT_TRUE(fields[2].contains(fields[0])) << line.toStdString();
        }
        EXPECT_EQ(mReports.size(), c.reports);
        EXPECT_TRUE(QFile::exists(out + "/good.txt"));
        // After the run the report is the window's usual one again.
        mReports.clear();
        w.OpenFile(scratchPath("missing.big"));
        EXPECT_EQ(mReports.size(), 1u);
    }
}

TEST_F(CommandsTest, ExtractionCommandsDoNothingOnAnEmptyList)
{
    frmMain& w = startCounting(QString());
    QTest::mouseClick(Controls(w).Grid1->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(w.mRowSelected());
    w.mnuExtract_Click();
    w.mnuExtAll_Click();
    EXPECT_EQ(mPrompts, 0);
    EXPECT_TRUE(mVisits.empty());
}

TEST_F(CommandsTest, ExtractAllWritesEveryEntryWithTheRealDialogAndEngine)
{
    const QByteArray text = QByteArray("line of text to compress\n").repeated(40);
    const QString archive = writeArchive("real.big",
        {{.name = "top.txt", .data = "top"}, {.name = "deep\\er\\packed.txt", .data = text, .compress = true},
            {.name = "deep\\plain.bin", .data = QByteArray(300, '\x07')}});
    const QString out = mDir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(out));
    frmMain& w = start(archive);
    frmExtractDir* dialog = w.mDestDialog();
    ASSERT_NE(dialog, nullptr);
    QTimer::singleShot(0, [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), dialog);
        ASSERT_TRUE(dialog->Folders->setPath(QDir::toNativeSeparators(out)));
        dialog->cmdOK->click();
    });
    w.mnuExtAll_Click();
    EXPECT_TRUE(mReports.empty());
    const struct {
        const char* file;
        QByteArray content;
    } expected[] = {{"top.txt", "top"}, {"deep/er/packed.txt", text}, {"deep/plain.bin", QByteArray(300, '\x07')}};
    for (const auto& e : expected) {
        QFile f(out + "/" + e.file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << e.file;
        EXPECT_EQ(f.readAll(), e.content) << e.file;
    }
}

QString manyEntryArchive(const QString& path, int count)
{
    std::vector<TestEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back({.name = QString("d%1\\f%2.dat").arg(i % 17).arg(count - i), .data = "x"});
    EXPECT_TRUE(testsupport::WriteBigArchive(path, entries));
    return path;
}

class DuringWorkTest : public CommandsTest {
protected:
    // Enough that reading the entries serves the window more than once.
    static constexpr int kEntries = 100000;
};

TEST_F(DuringWorkTest, CommandsChosenDuringAListingAreRefused)
{
    const QString big = manyEntryArchive(scratchPath("many.big"), kEntries);
    const QString other = sixEntryArchive();
    bool ranDuringListing = false;
    const cBig* readerSeen = nullptr;
    int folderAsked = 0;
    QTimer::singleShot(0, [&] {
        frmMain* w = gMainForm;
        ASSERT_NE(w, nullptr);
        ranDuringListing = w->working();
        readerSeen = gBig.get();
        installCounters(*w);
        Controls(*w).mnuOpen->trigger();
        Controls(*w).mnuExtAll->trigger();
        w->Grid1_Click();
        Controls(*w).mnuExtract->trigger();
        w->setFolderDialogRunner([&](QWidget*, const QString&) {
            ++folderAsked;
            return QString();
        });
        Controls(*w).mnuNewArchive->trigger();
        w->OpenFile(other);
        EXPECT_EQ(gBig.get(), readerSeen);
        EXPECT_EQ(Controls(*w).sbStatus->panelPicture(3), "Red");
    });
    frmMain& w = start(big);
    ASSERT_TRUE(ranDuringListing);
    EXPECT_TRUE(mDialogs.empty());
    EXPECT_EQ(folderAsked, 0);
    EXPECT_EQ(mPrompts, 0);
    EXPECT_TRUE(mVisits.empty());
    EXPECT_EQ(readerSeen, gBig.get());
    EXPECT_EQ(Controls(w).Grid1->Rows(), kEntries + 1);
    EXPECT_EQ(w.windowTitle(), "Pelkora - " + big);
    const QStringList keys = column(7);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_TRUE(mReports.empty());
    EXPECT_FALSE(w.working());
}

TEST_F(DuringWorkTest, ClosingDuringAListingEndsItBetweenEntries)
{
    const QString big = manyEntryArchive(scratchPath("many.big"), kEntries);
    // Closed once entries are being read, so the listing is cut in its middle.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (gMainForm && Controls(*gMainForm).pbBar->value() > 0) {
            closer.stop();
            gMainForm->close();
        }
    });
    closer.start(0);
    frmMain& w = start(big);
    EXPECT_EQ(mExits, 1);
    EXPECT_EQ(gMainForm, nullptr);
    EXPECT_FALSE(w.isVisible());
    EXPECT_GT(Controls(w).Grid1->Rows(), 1);
    EXPECT_LT(Controls(w).Grid1->Rows(), kEntries + 1);
    EXPECT_TRUE(mReports.empty());
    EXPECT_FALSE(w.working());
}

// Esc stops a listing or a run between entries; the window stays open and
// ready, and the next piece of work runs in full.
TEST_F(DuringWorkTest, EscStopsAListingOrARunBetweenEntries)
{
    const QString big = manyEntryArchive(scratchPath("many.big"), kEntries);
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (gMainForm && Controls(*gMainForm).pbBar->value() > 0) {
            presser.stop();
            QTest::keyClick(gMainForm, Qt::Key_Escape);
        }
    });
    presser.start(0);
    frmMain& w = start(big);
    EXPECT_GT(Controls(w).Grid1->Rows(), 1);
    EXPECT_LT(Controls(w).Grid1->Rows(), kEntries + 1);
    EXPECT_TRUE(Controls(w).Grid1->painting());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(mExits, 0);
    EXPECT_FALSE(w.working());

    w.OpenFile(sixEntryArchive());
    installCounters(w);
    bool drawableDuringRun = false;
    mDuringVisit = [&](frmMain& window) {
        // Painting is off for speed, yet the list still draws when uncovered.
        drawableDuringRun = !Controls(window).Grid1->painting() && Controls(window).Grid1->updatesEnabled();
        QTest::keyClick(&window, Qt::Key_Escape);
    };
    w.mnuExtAll_Click();
    EXPECT_TRUE(drawableDuringRun);
    EXPECT_EQ(mVisits.size(), 1u);
    EXPECT_FALSE(Controls(w).pbBar->isVisible());
    EXPECT_TRUE(Controls(w).Grid1->painting());

    mDuringVisit = nullptr;
    mVisits.clear();
    w.mnuExtAll_Click();
    EXPECT_EQ(mVisits.size(), 6u);
}

TEST_F(DuringWorkTest, CommandsDuringARunAreRefusedAndClosingEndsIt)
{
    frmMain& w = startCounting(sixEntryArchive());
    mDuringVisit = [this](frmMain& window) {
        Controls(window).mnuOpen->trigger();
        Controls(window).mnuExtAll->trigger();
        Controls(window).mnuExtract->trigger();
        if (mVisits.size() == 2)
            window.close();
    };
    w.mnuExtAll_Click();
    EXPECT_EQ(mVisits.size(), 2u);
    EXPECT_EQ(mPrompts, 1);
    EXPECT_TRUE(mDialogs.empty());
    EXPECT_EQ(mExits, 1);
    EXPECT_FALSE(Controls(w).pbBar->isVisible());
}

} // namespace

// An archive whose names promise far more than any disk holds (a thousand
// names of 2 GB each on one byte of data): before anything is written the
// user is asked, and only a yes starts the run.
TEST_F(CommandsTest, ARunBeyondTheFreeSpaceIsAskedAboutFirst)
{
    std::vector<testsupport::TestEntry> bomb;
    for (int i = 0; i < 1000; ++i)
        bomb.push_back({.name = QStringLiteral("copy%1.bin").arg(i), .data = "x", .uncompressedSize = INT32_MAX});
    const QString archive = scratchPath("bomb.big");
    ASSERT_TRUE(testsupport::WriteBigArchive(archive, bomb));
    mDestination = scratchPath("dest");

    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "extract anyway" : "cancelled");
        mVisits.clear();
        frmMain& w = startCounting(archive);
        QStringList questions;
        w.setSpaceQuestion([&](const QString& text) {
            questions << text;
            return answer;
        });
        Controls(w).mnuExtAll->trigger();
        ASSERT_EQ(questions.size(), 1);
        EXPECT_TRUE(questions[0].contains("2147483647000 bytes")) << questions[0].toStdString();
        EXPECT_TRUE(questions[0].contains(QDir::toNativeSeparators(mDestination))) << questions[0].toStdString();
        EXPECT_EQ(mVisits.size(), answer ? bomb.size() : 0u);
    }

    // A selection that fits is not asked about.
    mVisits.clear();
    frmMain& w = startCounting(sixEntryArchive());
    int asked = 0;
    w.setSpaceQuestion([&](const QString&) { return ++asked, false; });
    Controls(w).mnuExtAll->trigger();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(mVisits.empty());
}
