#pragma once
// An entry's moment and its text form. The moment is 1970-01-01 00:00:00 plus
// the entry's signed seconds, with no zone attached: it is wall-clock time.
//
// The text is the locale's short date, a blank and its long time, mended so
// that it reads back to the same moment: the year always has four digits and
// no zone name appears. At exactly midnight the text is the date alone.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>

namespace pelkora {

// The moment as a QDateTime whose fields are the wall-clock fields (kept in UTC
// so that no zone or daylight rule shifts them).
QDateTime TimestampMoment(std::int32_t seconds);

QString TimestampText(std::int32_t seconds, const QLocale& locale = QLocale());

// Reads a text made by TimestampText with the same locale back into its
// moment (fields as TimestampMoment gives them). Invalid when it does not parse.
QDateTime ParseTimestampText(const QString& text, const QLocale& locale = QLocale());

// The formats used for `locale` (exposed for tests).
QString TimestampDateFormat(const QLocale& locale);
QString TimestampTimeFormat(const QLocale& locale);

} // namespace pelkora
