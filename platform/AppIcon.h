// The program's icon, shown by the desktop on every window of the program (title bars, task bar,
// window switcher).
#pragma once

class TBitmap;

// Takes a copy of the picture; an empty bitmap removes the icon.
void SetApplicationIcon(TBitmap* Icon);
