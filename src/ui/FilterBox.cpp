#include "ui/FilterBox.h"

#include "app/ListRow.h"
#include "ui/FileGrid.h"

#include <QEvent>
#include <QToolBar>

namespace pelkora {

namespace {
constexpr int kWidthPixels = 200;
constexpr int kRightMarginPixels = 6;
} // namespace

FilterBox::FilterBox(FileGrid& grid, QToolBar* bar)
    : QLineEdit(bar)
    , mGrid(grid)
    , mBar(bar)
{
    setObjectName(QStringLiteral("txtFilter"));
    setPlaceholderText(QStringLiteral("Filter"));
    setClearButtonEnabled(true);
    setToolTip(
        QStringLiteral("Show the entries whose full name contains this text, or matches it when it holds * "
                       "or ? (Ctrl+F)"));
    bar->installEventFilter(this);
    placeOnBar();
    connect(this, &QLineEdit::textChanged, this, &FilterBox::apply);
}

void FilterBox::takeListedNames()
{
    const FileGridModel& model = mGrid.gridModel();
    const int rows = model.gridRows();
    mFilter.clear();
    QString path;
    QString name;
    // The exact room first: growing a text of a million names copies it.
    qsizetype characters = 0;
    for (int row = 1; row < rows; ++row)
        characters += model.cellView(row, ColPath, path).size() + model.cellView(row, ColName, name).size();
    mFilter.reserve(static_cast<std::size_t>(rows - 1), characters);
    for (int row = 1; row < rows; ++row)
        mFilter.addEntry(model.cellView(row, ColPath, path), model.cellView(row, ColName, name));
}

void FilterBox::forget()
{
    mFilter.clear();
    mActive = false;
    mShown = 0;
}

void FilterBox::apply()
{
    // Names of another listing than the list's own would pick wrong rows.
    if (static_cast<int>(mFilter.size()) != mGrid.Rows() - 1)
        return;
    if (!EntryFilter::filters(text())) {
        mGrid.showAllRows();
        mActive = false;
        mShown = listedCount();
    } else {
        std::vector<int> kept = mFilter.matching(text());
        mShown = static_cast<int>(kept.size());
        mGrid.setShownRows(std::move(kept));
        mActive = true;
    }
    emit applied();
}

bool FilterBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mBar && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeOnBar();
    return QLineEdit::eventFilter(watched, event);
}

void FilterBox::placeOnBar()
{
    const int height = std::min(sizeHint().height(), std::max(mBar->height() - 4, 0));
    const int width = std::min(kWidthPixels, std::max(mBar->width() / 3, 0));
    setGeometry(mBar->width() - width - kRightMarginPixels, (mBar->height() - height) / 2, width, height);
}

} // namespace pelkora
