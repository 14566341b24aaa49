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
    return mended.simplified();
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
    QDateTime parsed = locale.toDateTime(text, dateFormat + u' ' + timeFormat);
    if (!parsed.isValid()) {
        const QDate date = locale.toDate(text, dateFormat);
        if (!date.isValid())
            return {};
        return QDateTime(date, QTime(0, 0), Qt::UTC);
    }
    return QDateTime(parsed.date(), parsed.time(), Qt::UTC);
}

} // namespace pelkora
