#include "UiFixture.h"

#include <QApplication>
#include <QElapsedTimer>

namespace pelkora::uitest {

namespace {

template <class T> T* Named(const frmMain& window, const char* name)
{
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control)
        ADD_FAILURE() << "the window has no control named " << name;
    return control;
}

} // namespace

Controls::Controls(const frmMain& window)
    : Grid1(Named<FileGrid>(window, "Grid1"))
    , tbBar(Named<QToolBar>(window, "tbBar"))
    , sbStatus(Named<StatusBar>(window, "sbStatus"))
    , pbBar(Named<QProgressBar>(window, "pbBar"))
    , mnuFile(Named<QMenu>(window, "mnuFile"))
    , mnuOpen(Named<QAction>(window, "mnuOpen"))
    , mnuExit(Named<QAction>(window, "mnuExit"))
    , mnuActions(Named<QMenu>(window, "mnuActions"))
    , mnuExtract(Named<QAction>(window, "mnuExtract"))
    , mnuExtAll(Named<QAction>(window, "mnuExtAll"))
    , mnuNewArchive(Named<QAction>(window, "mnuNewArchive"))
    , mnuAddFiles(Named<QAction>(window, "mnuAddFiles"))
{
}

void pumpEvents(int ms)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}

void UiFixture::SetUp()
{
    ASSERT_TRUE(mDir.isValid());
}

void UiFixture::TearDown()
{
    mWindow.reset();
    ReleaseBig();
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QString UiFixture::writeArchive(const QString& fileName, const std::vector<testsupport::TestEntry>& entries)
{
    const QString path = mDir.filePath(fileName);
    EXPECT_TRUE(testsupport::WriteBigArchive(path, entries)) << path.toStdString();
    return path;
}

frmMain& UiFixture::start(const QString& argumentText)
{
    mWindow = Main(argumentText,
        {.report =
                [this](const QString& title, const QString& text) {
                    mReports.push_back({title, text});
                },
            .exit = [this] { ++mExits; }});
    return *mWindow;
}

QStringList UiFixture::rowCells(int row) const
{
    QStringList cells;
    for (int c = 0; c < Controls(*mWindow).Grid1->Cols(); ++c)
        cells << Controls(*mWindow).Grid1->TextMatrix(row, c);
    return cells;
}

QStringList UiFixture::column(int col) const
{
    QStringList cells;
    for (int r = 1; r < Controls(*mWindow).Grid1->Rows(); ++r)
        cells << Controls(*mWindow).Grid1->TextMatrix(r, col);
    return cells;
}

} // namespace pelkora::uitest
