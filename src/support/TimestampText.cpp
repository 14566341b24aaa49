#include "support/TimestampText.h"

#include <QTimeZone>

#include <unordered_map>
#include <vector>

namespace pelkora {
namespace {

// Applies `mend` to each run of one pattern letter outside quoted literals.
template <typename Mend> QString mendFormat(const QString& format, Mend mend)
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
    const QString mended = mendFormat(locale.timeFormat(QLocale::LongFormat),
        [](QChar c, qsizetype run) { return c == u't' ? QString() : QString(run, c); });
    // Some locales put the zone in brackets ("H:mm:ss (t)"): drop the pair.
    QString cleaned = mended;
    cleaned.remove(QStringLiteral("()"));
    return cleaned.simplified();
}

QDateTime TimestampMoment(std::int32_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

namespace {

// Listing formats a stamp per entry and entries share days, so the texts of
// days and of times of day are kept for the last locale used.
struct TextCache {
    QLocale locale;
    bool valid = false;
    QString dateFormat;
    QString timeFormat;
    std::unordered_map<qint64, QString> dates;
    std::vector<QString> times;

    void use(const QLocale& wanted)
    {
        if (valid && wanted == locale)
            return;
        locale = wanted;
        dateFormat = TimestampDateFormat(wanted);
        timeFormat = TimestampTimeFormat(wanted);
        dates.clear();
        times.assign(kSecondsPerDay, QString());
        valid = true;
    }

    static constexpr qint64 kSecondsPerDay = 86400;
    static constexpr std::size_t kMaxDates = 65536;
};

} // namespace

QString TimestampText(std::int32_t seconds, const QLocale& locale)
{
    thread_local TextCache cache;
    cache.use(locale);
    // Floor division: a moment before 1970 belongs to the day before.
    qint64 day = seconds / TextCache::kSecondsPerDay;
    qint64 secondOfDay = seconds % TextCache::kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += TextCache::kSecondsPerDay;
        --day;
    }
    auto found = cache.dates.find(day);
    if (found == cache.dates.end()) {
        if (cache.dates.size() >= TextCache::kMaxDates)
            cache.dates.clear();
        found = cache.dates.emplace(day, locale.toString(QDate(1970, 1, 1).addDays(day), cache.dateFormat)).first;
    }
    if (secondOfDay == 0)
        return found->second;
    QString& time = cache.times[static_cast<std::size_t>(secondOfDay)];
    if (time.isEmpty())
        time = locale.toString(QTime(0, 0).addSecs(static_cast<int>(secondOfDay)), cache.timeFormat);
    return found->second + u' ' + time;
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
