// Enumerations of the column header that the tree uses as well (cell types and cell styles), kept
// apart from the header control so that the tree's item model can use them without it.
#pragma once

#include <cstdint>

enum TExFieldType : std::uint8_t {
    sftCustom,
    sftText,
    sftNumber,
    sftFloating,
    sftDateTime,
    sftDate,
    sftTime,
    sftPicture,
    sftEnum,
    sftBLOB,
    sftUndef,
    sftBool,
    sftCurrency,
    sftMemo,
};

enum TExSectionStyle : std::uint8_t { ExhsText, ExhsOwnerDraw, ExhsPictureOnly };

enum TExSSortMode : std::uint8_t { hsmNone, hsmAscend, hsmDescend };

enum TExSAlignment : std::uint8_t { hsaLeft, hsaCenter, hsaRight };
