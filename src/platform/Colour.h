#pragma once

#include <cstdint>

namespace quorvane {

// 0xRRGGBB. The named colours the window uses.
using Colour = std::uint32_t;

inline constexpr Colour clBlack = 0x000000;
inline constexpr Colour clWhite = 0xFFFFFF;
inline constexpr Colour clRed = 0xFF0000;
inline constexpr Colour clGreen = 0x008000;
inline constexpr Colour clBlue = 0x0000FF;
inline constexpr Colour clAqua = 0x00FFFF;
inline constexpr Colour clFuchsia = 0xFF00FF;
inline constexpr Colour clSilver = 0xC0C0C0;
inline constexpr Colour clMedGray = 0xA0A0A4;
inline constexpr Colour clLime = 0x00FF00;
inline constexpr Colour clWindowText = 0x000000;

}  // namespace quorvane
