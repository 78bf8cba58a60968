// The fuzz targets built into the replay program (the list is made by CMake).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

struct TTarget {
    const char* Name;
    int (*Run)(const std::uint8_t* Data, std::size_t Size);
};

extern const std::span<const TTarget> Targets;

}  // namespace fuzz
