#include "app/ModMain.h"

#include "app/ErrorReport.h"
#include "app/ListRow.h"
#include "archive/BigRuntimeError.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <new>
#include <vector>

namespace pelkora {

std::unique_ptr<cBig> gBig;

void ReleaseBig()
{
    gBig.reset();
}

void EventServer::serve(int sliceMs)
{
    if (sliceMs > 0 && mSinceLast.isValid() && mSinceLast.elapsed() < sliceMs)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    mSinceLast.start();
}

void LoadBigFile(const QString& filename, FileListControl& list, ProgressControl& progress, const ErrorReporter& report)
{
    EventServer events;
    try {
        gBig = std::make_unique<cBig>();
        cBig* big = gBig.get();
        big->Load(filename);
        if (!big->Loaded()) {
            ReportReaderError(report, kLoadHeadline, big->Error().Number(), big->Error().Description());
            return;
        }
        // Emptying the old list and reading the directory took a while.
        events.serve(0);
        if (progress.stopRequested() || gBig.get() != big)
            return;
        // Painting comes back on however the listing ends, so that a failure
        // part-way still shows the rows read before it.
        struct PaintingBack {
            FileListControl& list;
            ~PaintingBack() { list.setPainting(true); }
        } paintingBack{list};
        list.setPainting(false);
        const std::int32_t count = big->FileCount();
        progress.setMaximum(static_cast<float>(count));
        const int firstListed = list.Rows();
        // The listing keeps its own references to the rows it hands the list
        // (shared, not copied): the sort below serves the window between its
        // steps, and must not look into the list's storage meanwhile.
        std::vector<QString> listed;
        listed.reserve(static_cast<std::size_t>(std::max(count, 0)));
        for (std::int32_t id = 0; id < count; ++id) {
            listed.push_back(JoinRow(BuildListRow(*big, id)));
            list.appendRow(listed.back());
            progress.setValue(static_cast<float>(id));
            events.serve();
            // The window refuses commands during a listing, but closing it
            // ends the listing here, between two entries.
            if (progress.stopRequested() || gBig.get() != big)
                return;
        }
        const int sortCol = list.Cols() - 1;
        list.setCol(sortCol);
        list.setRow(1);
        list.setRowSel(list.Rows() - 1);
        std::vector<QStringView> keys;
        keys.reserve(listed.size());
        for (const QString& row : listed)
            keys.push_back(CellOf(row, sortCol));
        const std::vector<std::size_t> order = SortOrder(keys, [&events] { events.serve(); });
        // Redrawing the sorted list follows; let the window catch up first.
        events.serve(0);
        list.arrangeRows(firstListed, order);
    } catch (const BigRuntimeError& e) {
        ReportCaughtError(report, kLoadHeadline, e.source(), e.number(), e.description());
    } catch (const std::bad_alloc&) {
        ReportCaughtError(report, kLoadHeadline, QStringLiteral("LoadBigFile"), failure::OutOfMemory,
            QStringLiteral("Out of memory listing \"%1\".").arg(filename));
    }
}

} // namespace pelkora
