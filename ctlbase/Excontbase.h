// The drag-and-drop enumerations the library's controls share.
#pragma once

#include "platform/Types.h"

enum TDragType { dtCopy, dtMove, dtLink, dtNone };
// A set of drag types, one bit each.
using TDragTypes = Byte;
constexpr TDragTypes DragTypeBit(TDragType T) { return TDragTypes(1u << T); }
constexpr bool HasDragType(TDragTypes Types, TDragType T) { return (Types & DragTypeBit(T)) != 0; }

enum TDragResult { drDropCopy, drDropMove, drDropLink, drCancel, drOutMemory, drUnknown };

// Which drag a control uses: between programs, the class library's own, or both.
enum TExDragType { dtOLE, dtKolvar, dtBoth };
