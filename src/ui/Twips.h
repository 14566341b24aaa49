#pragma once
// Window sizes are designed in twips (1440 per inch) and converted with the
// screen's logical DPI, so the layout keeps its proportions at any scaling.

namespace pelkora {

// Logical DPI of the primary screen (96 when there is none).
double LogicalDpi();
int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);

} // namespace pelkora
