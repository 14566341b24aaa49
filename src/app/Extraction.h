#pragma once
// One extraction run of listed entries: the reader, one confined writer for
// the destination (so that the folders opened for one entry stay open for
// the next), and where failures are reported. Made by each extraction command
// for its run; nothing about it lives outside the object.

#include "app/ErrorReport.h"
#include "archive/cBig.h"
#include "support/ConfinedWrite.h"

#include <QString>

namespace pelkora {

class Extraction {
public:
    // `destination`: the extract-to folder, ending in a separator.
    Extraction(cBig& big, const QString& destination, ErrorReporter report);
    Extraction(const Extraction&) = delete;
    Extraction& operator=(const Extraction&) = delete;

    // Extracts the listed entry (its Name and Path cells). A failure is
    // reported; always returns.
    void ExtractListed(const QString& name, const QString& path);

    const QString& destination() const { return mDestination; }

private:
    cBig& mBig;
    QString mDestination;
    ConfinedWriter mWriter;
    ErrorReporter mReport;
};

} // namespace pelkora
