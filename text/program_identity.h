#pragma once
// The program's name, version and copyright, shared by the title screen and
// the report header.

#include <string_view>

#ifndef SPINCHART_VERSION
#define SPINCHART_VERSION "0"
#endif

namespace spinchart {

inline constexpr std::string_view programBannerLine = "spinchart " SPINCHART_VERSION;
inline constexpr std::string_view programCopyrightLine = "Copyright (c) 2026 the spinchart authors";

}  // namespace spinchart
