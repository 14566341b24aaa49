#pragma once
// The program's globals and its widget-free application procedures:
// the current archive reader, loading an archive into the file list, and
// extracting one listed entry. The window supplies the list and the progress
// bar through the small interfaces below.

#include "app/ErrorReport.h"
#include "app/ListedEntries.h"
#include "archive/cBig.h"

#include <QElapsedTimer>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace pelkora {

// What LoadBigFile and the extraction commands need of the file list.
class FileListControl {
public:
    virtual ~FileListControl() = default;
    virtual int Rows() const = 0;
    virtual int Cols() const = 0;
    virtual void setRow(int row) = 0;
    virtual void setCol(int col) = 0;
    virtual void setRowSel(int row) = 0;
    virtual void setPainting(bool on) = 0;
    // Appends a listing's entries as rows in a finished order: the i-th new
    // row shows entry order[i]. The list never sorts.
    virtual void appendListing(std::shared_ptr<const ListedEntries> entries, std::span<const std::size_t> order) = 0;
};

// What they need of the progress bar.
class ProgressControl {
public:
    virtual ~ProgressControl() = default;
    virtual void setMaximum(float maximum) = 0;
    virtual void setValue(float value) = 0;
    // True once the user asked to stop the work (Esc) or the window is
    // closing: loops end between two entries.
    virtual bool stopRequested() const { return false; }
};

// The one current archive reader (none until the first load).
extern std::unique_ptr<cBig> gBig;

void ReleaseBig();

// Opens `filename` in a new reader stored in gBig, reads every entry, sorts
// them on the list's last column (the Sort cell) and hands `list` (emptied by
// the caller) the entries and their order. Should the reading stop part-way
// (a failure, or the user), the entries read so far are handed over in ID
// order. Failures are shown with the error report given.
void LoadBigFile(const QString& filename, FileListControl& list, ProgressControl& progress,
    const ErrorReporter& report);

// Extracts the listed entry (Name and Path cells) of gBig under
// `destination` (the extract-to folder, ending in a separator): a run of one
// entry (see Extraction.h). Failures are shown with the error report given;
// always returns.
void ExtractFile(const QString& destination, const QString& name, const QString& path, const ErrorReporter& report);

// Lets pending window events run during long work, at most about every
// `sliceMs` so that loops stay fast yet the window repaints (always when 0).
// Each piece of work has its own: the time since it last served is its own.
class EventServer {
public:
    void serve(int sliceMs = 20);

private:
    QElapsedTimer mSinceLast;
};

} // namespace pelkora
