#include "app/ModMain.h"

#include "app/ErrorReport.h"
#include "app/ListRow.h"
#include "archive/BigRuntimeError.h"
#include "support/LargeArray.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <new>
#include <numeric>
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
    auto listed = std::make_shared<ListedEntries>();
    bool paintingOff = false;
    bool handedOver = false;
    // Painting back on however the listing ends. One that does not come to
    // its sort shows the entries read so far in ID order, so that a failure
    // part-way still shows what was read before it.
    const auto endListing = [&] {
        if (!paintingOff)
            return;
        paintingOff = false;
        if (!handedOver) {
            try {
                std::vector<std::size_t> idOrder(listed->size());
                std::iota(idOrder.begin(), idOrder.end(), std::size_t{0});
                list.appendListing(listed, idOrder);
            } catch (const std::bad_alloc&) {
                // Nothing more to show.
            }
        }
        list.setPainting(true);
    };
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
        list.setPainting(false);
        paintingOff = true;
        const std::int32_t count = big->FileCount();
        // The numbers straight from the records: the reader's getters check
        // the ID and clear its error record three times per entry.
        const std::shared_ptr<const BigDirectory> directory = big->Directory();
        progress.setMaximum(static_cast<float>(count));
        // Names are rarely longer than this on average; room left unused is
        // never touched, and growing a text of a million names copies it.
        constexpr qsizetype kNameRoom = 64;
        listed->reserve(static_cast<std::size_t>(std::max(count, 0)), qsizetype(std::max(count, 0)) * kNameRoom);
        for (std::int32_t id = 0; id < count; ++id) {
            const QString name = big->GetFileName(id);
            const BigEntry& record = directory->Entry(id);
            listed->add(name, record.timestamp, record.uncompressedSize, record.compressedSize);
            progress.setValue(static_cast<float>(id));
            events.serve();
            // The window refuses commands during a listing, but closing it
            // ends the listing here, between two entries.
            if (progress.stopRequested() || gBig.get() != big)
                return endListing();
        }
        // Each entry's Sort cell, back to back: its name, the folder mark and
        // the type (" File" and the extension, upper-cased; a rare one whose
        // length changes then makes the text grow).
        qsizetype keyLength = 0;
        for (std::size_t i = 0; i < listed->size(); ++i) {
            const QStringView file = listed->name(i);
            keyLength += listed->fullName(i).size() + (listed->path(i).isEmpty() ? 0 : 1) + 5
                + (file.size() - file.lastIndexOf(u'.') - 1);
        }
        QString keyText;
        keyText.reserve(keyLength);
        LargeVector<qsizetype> keyEnds;
        keyEnds.reserve(listed->size());
        for (std::size_t i = 0; i < listed->size(); ++i) {
            AppendSortCellOf(keyText, listed->fullName(i));
            keyEnds.push_back(keyText.size());
            events.serve();
        }
        LargeVector<QStringView> keys;
        keys.reserve(keyEnds.size());
        qsizetype keyStart = 0;
        for (const qsizetype end : keyEnds) {
            keys.push_back(QStringView(keyText).sliced(keyStart, end - keyStart));
            keyStart = end;
        }
        const std::vector<std::size_t> order = SortOrder(keys, [&events] { events.serve(); });
        // Redrawing the sorted list follows; let the window catch up first.
        events.serve(0);
        list.appendListing(listed, order);
        handedOver = true;
        list.setCol(list.Cols() - 1);
        list.setRow(1);
        list.setRowSel(list.Rows() - 1);
        endListing();
    } catch (const BigRuntimeError& e) {
        endListing();
        ReportCaughtError(report, kLoadHeadline, e.source(), e.number(), e.description());
    } catch (const std::bad_alloc&) {
        endListing();
        ReportCaughtError(report, kLoadHeadline, QStringLiteral("LoadBigFile"), failure::OutOfMemory,
            QStringLiteral("Out of memory listing \"%1\".").arg(filename));
    }
}

} // namespace pelkora
