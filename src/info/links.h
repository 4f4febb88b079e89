#pragma once

// The project's own addresses shown and opened by the information windows.
namespace veltrin::info {

inline constexpr char kAuthorWebPage[] = "https://veltrin.example.org/";
inline constexpr char kMakerWebPage[] = "https://www.example.org/veltrin/";
inline constexpr char kAuthorMail[] = "veltrin@example.org";

inline constexpr char kProductName[] = "Zelto Veltrin Player";
inline constexpr char kVersionText[] = "Version 2.3.0";

} // namespace veltrin::info
