#include "app/ErrorReport.h"
#include "app/ExtractEntry.h"
#include "app/Extraction.h"
#include "app/ModMain.h"
#include "archive/BigRuntimeError.h"
#include "support/Crc.h"
#include "support/EntryKey.h"

#include <exception>
#include <memory>

namespace pelkora {
namespace {

QString readerNumberText(int number)
{
    cError record;
    record.setNumber(number);
    return ReaderFormText(kExtractHeadline, record.Number(), record.Description());
}

// The entry listed as `fullName`. FindFile gives the lowest ID with the name's
// hash (and the reader's failure when there is none), but names of odd length
// that differ only in their last character share a hash, so the listed name
// itself is resolved through the reader's name lookup.
// -1 when no entry has that name (the reader's record then says why).
std::int32_t findListedEntry(cBig& big, const QString& fullName, int& failureNumber)
{
    if (big.FindFile(NameKey(fullName)) < 0) {
        failureNumber = big.Error().Number();
        return -1;
    }
    const std::int32_t id = big.FindFullName(fullName);
    if (id < 0)
        failureNumber = cError::NotInArchive;
    return id;
}

} // namespace

Extraction::Extraction(cBig& big, const QString& destination, ErrorReporter report)
    : mBig(big)
    , mDestination(destination)
    , mWriter(ExtractRoot(destination))
    , mReport(std::move(report))
{
}

void Extraction::ExtractListed(const QString& name, const QString& path)
{
    const auto caught = [&](const QString& source, int number, const QString& description) {
        ReportCaughtError(mReport, kExtractHeadline, source, number, description);
    };
    try {
        const QString fullName = path + name;
        int failureNumber = 0;
        const std::int32_t id = findListedEntry(mBig, fullName, failureNumber);
        if (id < 0) {
            ShowErrorReport(mReport, readerNumberText(failureNumber));
            return;
        }
        const Failure result = ExtractEntry(mBig, id, mWriter, fullName);
        if (!result.ok())
            caught(result.source, result.number, result.description);
    } catch (const BigRuntimeError& e) {
        caught(e.source(), e.number(), e.description());
    } catch (const std::bad_alloc&) {
        caught(QStringLiteral("ExtractFile"), failure::OutOfMemory,
            QStringLiteral("\"%1\": out of memory.").arg(path + name));
    } catch (const std::exception& e) {
        caught(QStringLiteral("ExtractFile"), failure::PathAccess,
            QStringLiteral("\"%1\": %2").arg(path + name, QString::fromLocal8Bit(e.what())));
    }
}

void ExtractFile(const QString& destination, const QString& name, const QString& path, const ErrorReporter& report)
{
    if (!gBig) {
        ShowErrorReport(report, readerNumberText(cError::NotLoaded));
        return;
    }
    Extraction(*gBig, destination, report).ExtractListed(name, path);
}

} // namespace pelkora
