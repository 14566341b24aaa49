#include "support/TimestampText.h"

#include <QTimeZone>

namespace pelkora {
namespace {

// Applies `mend` to each run of one pattern letter outside quoted literals.
template <typename Mend>
QString mendFormat(const QString& format, Mend mend)
{
    QString out;
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format[i];
        if (c == u'\'') {
            // A quoted literal runs to the next lone quote; '' is a quote.
            qsizetype j = i + 1;
            while (j < n) {
                if (format[j] == u'\'') {
                    if (j + 1 < n && format[j + 1] == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += format.sliced(i, std::min(j + 1, n) - i);
            i = j + 1;
            continue;
        }
        qsizetype j = i;
        while (j < n && format[j] == c)
            ++j;
        out += mend(c, j - i);
        i = j;
    }
    return out;
}

} // namespace

QString TimestampDateFormat(const QLocale& locale)
{
    return mendFormat(locale.dateFormat(QLocale::ShortFormat), [](QChar c, qsizetype run) {
        if (c == u'y')
            return QStringLiteral("yyyy");
        return QString(run, c);
    });
}

QString TimestampTimeFormat(const QLocale& locale)
{
    const QString mended = mendFormat(locale.timeFormat(QLocale::LongFormat), [](QChar c, qsizetype run) {
        return c == u't' ? QString() : QString(run, c);
    });
    // Some locales put the zone in brackets ("H:mm:ss (t)"): drop the pair.
    QString cleaned = mended;
    cleaned.remove(QStringLiteral("()"));
    return cleaned.simplified();
}

QDateTime TimestampMoment(std::int32_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QString TimestampText(std::int32_t seconds, const QLocale& locale)
{
    // Listing formats many stamps; keep the mended formats of the last locale.
    thread_local QString cachedLocale;
    thread_local QString dateFormat;
    thread_local QString timeFormat;
    if (cachedLocale != locale.name() || dateFormat.isEmpty()) {
        cachedLocale = locale.name();
        dateFormat = TimestampDateFormat(locale);
        timeFormat = TimestampTimeFormat(locale);
    }
    const QDateTime moment = TimestampMoment(seconds);
    QString text = locale.toString(moment.date(), dateFormat);
    if (moment.time() != QTime(0, 0)) {
        text += u' ';
        text += locale.toString(moment.time(), timeFormat);
    }
    return text;
}

QDateTime ParseTimestampText(const QString& text, const QLocale& locale)
{
    const QString dateFormat = TimestampDateFormat(locale);
    const QString timeFormat = TimestampTimeFormat(locale);
    // Date and time are read apart: reading them as one local date-time
    // would fail for wall-clock times that the system zone skips (the hour
    // a daylight-saving change leaves out), and the moment carries no zone.
    const QDate dateAlone = locale.toDate(text, dateFormat);
    if (dateAlone.isValid())
        return QDateTime(dateAlone, QTime(0, 0), Qt::UTC);
    // The date itself may hold blanks ("1 Jan 1970"): try every blank.
    for (qsizetype blank = text.indexOf(u' '); blank >= 0; blank = text.indexOf(u' ', blank + 1)) {
        const QDate date = locale.toDate(text.first(blank), dateFormat);
        if (!date.isValid())
            continue;
        const QTime time = locale.toTime(text.sliced(blank + 1), timeFormat);
        if (time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return {};
}

} // namespace pelkora
