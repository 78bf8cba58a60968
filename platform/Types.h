// Basic value types of the class library: integer aliases, points, rectangles, sizes.
#pragma once

#include <cstdint>
#include <string>

using Byte = std::uint8_t;
using Word = std::uint16_t;
using DWORD = std::uint32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Integer = std::int32_t;
using Int64 = std::int64_t;
using UINT = std::uint32_t;
using BOOL = int;
using WPARAM = std::uint64_t;  // wide enough for the pointers passed in messages
using LPARAM = std::int64_t;
using LRESULT = std::int64_t;
// A colour: 0x00BBGGRR, or 0x80000000 + a system colour index, or one of the special values. Here
// rather than with the drawing types so that code which only stores colours stays light.
using TColor = std::int32_t;

constexpr Integer MaxInt = 0x7FFFFFFF;

struct TPoint {
    Integer X = 0;
    Integer Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    Integer cx = 0;
    Integer cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and bottom are exclusive, as in the system's drawing rules.
struct TRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    Integer Width() const { return Right - Left; }
    Integer Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// A check box's state; here with the value types since models of controls store it too.
enum TCheckBoxState : Byte { cbUnchecked, cbChecked, cbGrayed };

inline TPoint Point(Integer x, Integer y) { return {x, y}; }
inline TRect Rect(Integer l, Integer t, Integer r, Integer b) { return {l, t, r, b}; }
inline TRect Bounds(Integer l, Integer t, Integer w, Integer h) { return {l, t, l + w, t + h}; }

bool PtInRect(const TRect& r, const TPoint& p);
bool IsRectEmpty(const TRect& r);
// Both return false and an empty result when the rectangles do not overlap.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
void OffsetRect(TRect& r, Integer dx, Integer dy);
void InflateRect(TRect& r, Integer dx, Integer dy);
