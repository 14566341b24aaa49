#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace pelkora {

namespace {
constexpr double kTwipsPerInch = 1440.0;
}

double LogicalDpi()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInch();
    return 96.0;
}

int TwipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips * LogicalDpi() / kTwipsPerInch));
}

int PixelsToTwips(int pixels)
{
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / LogicalDpi()));
}

} // namespace pelkora
