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
        : had_(qEnvironmentVariableIsSet("TZ"))
        , saved_(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ZoneScope()
    {
        if (had_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        ::tzset();
    }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    bool had_;
    QByteArray saved_;
};

} // namespace pelkora::testsupport
