#include "app/ErrorReport.h"
#include "app/ExtractEntry.h"
#include "app/ModMain.h"
#include "archive/BigRuntimeError.h"
#include "support/Crc.h"

#include <exception>
#include <memory>

namespace pelkora {
namespace {

struct RunWriter {
    QString destination;
    std::unique_ptr<ConfinedWriter> writer;
};
RunWriter gRun;

void reportReaderNumber(int number)
{
    cError record;
    record.setNumber(number);
    ReportReaderError(kExtractHeadline, record.Number(), record.Description());
}

// The entry listed as `fullName`. FindFile gives the lowest ID with the name's
// hash (and the reader's failure when there is none), but names of odd length
// that differ only in their last character share a hash, so the listed name
// itself is resolved through the reader's name lookup.
// -1 when no entry has that name (the reader's record then says why).
std::int32_t findListedEntry(cBig& big, const QString& fullName, int& failureNumber)
{
    if (big.FindFile(GetCrc64(fullName.toLower())) < 0) {
        failureNumber = big.Error().Number();
        return -1;
    }
    const std::int32_t id = big.FindFullName(fullName);
    if (id < 0)
        failureNumber = cError::NotInArchive;
    return id;
}

} // namespace

ExtractRun::ExtractRun(const QString& destination)
{
    gRun.destination = destination;
    gRun.writer = std::make_unique<ConfinedWriter>(ExtractRoot(destination));
}

ExtractRun::~ExtractRun()
{
    gRun.writer.reset();
    gRun.destination.clear();
}

void ExtractFile(const QString& destination, const QString& name, const QString& path)
{
    try {
        if (!gBig) {
            reportReaderNumber(cError::NotLoaded);
            return;
        }
        const QString fullName = path + name;
        int failureNumber = 0;
        const std::int32_t id = findListedEntry(*gBig, fullName, failureNumber);
        if (id < 0) {
            reportReaderNumber(failureNumber);
            return;
        }
        const ExtractResult result = gRun.writer && gRun.destination == destination
            ? ExtractEntry(*gBig, id, *gRun.writer, fullName)
            : ExtractEntry(*gBig, id, destination, fullName);
        if (!result.ok)
            ReportCaughtError(kExtractHeadline, result.source, result.number, result.description);
    } catch (const BigRuntimeError& e) {
        ReportCaughtError(kExtractHeadline, e.source(), e.number(), e.description());
    } catch (const std::bad_alloc&) {
        ReportCaughtError(kExtractHeadline, QStringLiteral("ExtractFile"), extract_error::OutOfMemory,
            QStringLiteral("\"%1\": out of memory.").arg(path + name));
    } catch (const std::exception& e) {
        ReportCaughtError(kExtractHeadline, QStringLiteral("ExtractFile"), extract_error::PathAccess,
            QStringLiteral("\"%1\": %2").arg(path + name, QString::fromLocal8Bit(e.what())));
    }
}

} // namespace pelkora
