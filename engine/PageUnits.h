#pragma once
// Pages are laid out in hundredths of a millimetre, whatever the device: fonts take
// whole pixel sizes in these units, so line breaks are the same on screen, paper and PDF.

namespace PageUnits {
constexpr double PerMm = 100.0;
constexpr double PerPoint = 2540.0 / 72.0;
inline double fromMm(double mm)
{
    return mm * PerMm;
}
} // namespace PageUnits
