#pragma once
// `txtFilter`: the list's filter field at the right end of the toolbar. As
// the user types, the list shows only the rows whose full name the text
// keeps (see app/EntryFilter.h), in the order they were listed. It sits on
// the toolbar without being one of its buttons, so the toolbar's buttons stay
// the four they are.

#include "app/EntryFilter.h"

#include <QLineEdit>

class QToolBar;

namespace pelkora {

class FileGrid;

class FilterBox : public QLineEdit {
    Q_OBJECT
public:
    FilterBox(FileGrid& grid, QToolBar* bar);

    // Takes the names of the rows just listed; until then (and after
    // forget) the text filters nothing, so a listing is never hidden while
    // it fills the list.
    void takeListedNames();
    void forget();

    // Shows the rows the current text keeps (all of them for no text).
    void apply();

    // True while some rows may be hidden by the text.
    bool active() const { return mActive; }
    int shownCount() const { return mShown; }
    int listedCount() const { return static_cast<int>(mFilter.size()); }

signals:
    // The list shows what the text keeps.
    void applied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeOnBar();

    FileGrid& mGrid;
    QToolBar* mBar;
    EntryFilter mFilter;
    bool mActive = false;
    int mShown = 0;
};

} // namespace pelkora
