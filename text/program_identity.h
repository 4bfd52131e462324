#pragma once
// The program's name, version and copyright, shared by the title screen, the
// report header and --version. The version is the build's project version.

#include <string_view>

namespace spinchart {

inline constexpr std::string_view programBannerLine = "spinchart " SPINCHART_VERSION;
inline constexpr std::string_view programCopyrightLine = "Copyright (c) 2026 the spinchart authors";

}  // namespace spinchart
