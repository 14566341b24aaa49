#pragma once
// Sets the TZ environment variable for one test and restores it (the C
// library's local time and Qt's system zone follow it after tzset).

#include <QByteArray>
#include <QtGlobal>
#include <ctime>

namespace pelkora::testsupport {

class ZoneScope {
public:
    explicit ZoneScope(const char* zone)
        : mHad(qEnvironmentVariableIsSet("TZ"))
        , mSaved(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ZoneScope()
    {
        if (mHad)
            qputenv("TZ", mSaved);
        else
            qunsetenv("TZ");
        ::tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    bool mHad;
    QByteArray mSaved;
};

} // namespace pelkora::testsupport
