#include "app/ModMain.h"

#include "app/ErrorReport.h"
#include "app/ListRow.h"
#include "archive/BigRuntimeError.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <new>

namespace pelkora {

std::unique_ptr<cBig> gBig;

namespace {
bool gShutdownRequested = false;
} // namespace

void ReleaseBig()
{
    gBig.reset();
}

bool ShutdownRequested()
{
    return gShutdownRequested;
}

void RequestShutdown()
{
    gShutdownRequested = true;
}

void ResetShutdownRequest()
{
    gShutdownRequested = false;
}

void YieldToEvents(int sliceMs)
{
    static QElapsedTimer sinceLastYield;
    if (sliceMs > 0 && sinceLastYield.isValid() && sinceLastYield.elapsed() < sliceMs)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    sinceLastYield.start();
}

void LoadBigFile(const QString& filename, FileListControl& list, ProgressControl& progress)
{
    try {
        gBig = std::make_unique<cBig>();
        cBig* big = gBig.get();
        big->Load(filename);
        if (!big->Loaded()) {
            ReportReaderError(kLoadHeadline, big->Error().Number(), big->Error().Description());
            return;
        }
        // Emptying the old list and reading the directory took a while.
        YieldToEvents(0);
        if (ShutdownRequested() || gBig.get() != big)
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
        for (std::int32_t id = 0; id < count; ++id) {
            list.appendRow(JoinRow(BuildListRow(*big, id)));
            progress.setValue(static_cast<float>(id));
            YieldToEvents();
            // The window refuses commands during a listing, but closing it
            // ends the listing here, between two entries.
            if (ShutdownRequested() || progress.stopRequested() || gBig.get() != big)
                return;
        }
        list.setCol(list.Cols() - 1);
        list.setRow(1);
        list.setRowSel(list.Rows() - 1);
        list.sortSelection();
    } catch (const BigRuntimeError& e) {
        ReportCaughtError(kLoadHeadline, e.source(), e.number(), e.description());
    } catch (const std::bad_alloc&) {
        ReportCaughtError(kLoadHeadline, QStringLiteral("LoadBigFile"), runtime_error::OutOfMemory,
            QStringLiteral("Out of memory listing \"%1\".").arg(filename));
    }
}

} // namespace pelkora
