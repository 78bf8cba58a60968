// The theme classes the theme library draws, with their part, state and property numbers, as the
// system's theme schema numbers them.
#pragma once

// Class names, as passed to OpenThemeData (compared without regard to case; a list separated by
// ";" opens the first class the library knows).
inline constexpr const char16_t* VSCLASS_BUTTON = u"BUTTON";
inline constexpr const char16_t* VSCLASS_COMBOBOX = u"COMBOBOX";
inline constexpr const char16_t* VSCLASS_EDIT = u"EDIT";
inline constexpr const char16_t* VSCLASS_HEADER = u"HEADER";
inline constexpr const char16_t* VSCLASS_SCROLLBAR = u"SCROLLBAR";
inline constexpr const char16_t* VSCLASS_TOOLTIP = u"TOOLTIP";
inline constexpr const char16_t* VSCLASS_TREEVIEW = u"TREEVIEW";

// Part 0 of every class is its background (the frame of an edit or a combo box).

// BUTTON
constexpr int BP_PUSHBUTTON = 1;
constexpr int BP_RADIOBUTTON = 2;
constexpr int BP_CHECKBOX = 3;
constexpr int BP_GROUPBOX = 4;
constexpr int PBS_NORMAL = 1, PBS_HOT = 2, PBS_PRESSED = 3, PBS_DISABLED = 4, PBS_DEFAULTED = 5;
constexpr int RBS_UNCHECKEDNORMAL = 1, RBS_UNCHECKEDHOT = 2, RBS_UNCHECKEDPRESSED = 3, RBS_UNCHECKEDDISABLED = 4;
constexpr int RBS_CHECKEDNORMAL = 5, RBS_CHECKEDHOT = 6, RBS_CHECKEDPRESSED = 7, RBS_CHECKEDDISABLED = 8;
constexpr int CBS_UNCHECKEDNORMAL = 1, CBS_UNCHECKEDHOT = 2, CBS_UNCHECKEDPRESSED = 3, CBS_UNCHECKEDDISABLED = 4;
constexpr int CBS_CHECKEDNORMAL = 5, CBS_CHECKEDHOT = 6, CBS_CHECKEDPRESSED = 7, CBS_CHECKEDDISABLED = 8;
constexpr int CBS_MIXEDNORMAL = 9, CBS_MIXEDHOT = 10, CBS_MIXEDPRESSED = 11, CBS_MIXEDDISABLED = 12;
constexpr int GBS_NORMAL = 1, GBS_DISABLED = 2;

// COMBOBOX
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int CBXS_NORMAL = 1, CBXS_HOT = 2, CBXS_PRESSED = 3, CBXS_DISABLED = 4;

// EDIT
constexpr int EP_EDITTEXT = 1;
constexpr int ETS_NORMAL = 1, ETS_HOT = 2, ETS_SELECTED = 3, ETS_DISABLED = 4, ETS_FOCUSED = 5, ETS_READONLY = 6;

// HEADER
constexpr int HP_HEADERITEM = 1;
constexpr int HP_HEADERITEMLEFT = 2;
constexpr int HP_HEADERITEMRIGHT = 3;
constexpr int HP_HEADERSORTARROW = 4;
constexpr int HIS_NORMAL = 1, HIS_HOT = 2, HIS_PRESSED = 3;
constexpr int HSAS_SORTEDUP = 1, HSAS_SORTEDDOWN = 2;

// SCROLLBAR
constexpr int SBP_ARROWBTN = 1;
constexpr int SBP_THUMBBTNHORZ = 2;
constexpr int SBP_THUMBBTNVERT = 3;
constexpr int SBP_LOWERTRACKHORZ = 4;
constexpr int SBP_UPPERTRACKHORZ = 5;
constexpr int SBP_LOWERTRACKVERT = 6;
constexpr int SBP_UPPERTRACKVERT = 7;
constexpr int SBP_GRIPPERHORZ = 8;
constexpr int SBP_GRIPPERVERT = 9;
constexpr int SBP_SIZEBOX = 10;
// Arrow buttons: four looks (normal, hot, pressed, disabled) for each direction in turn.
constexpr int ABS_UPNORMAL = 1, ABS_UPHOT = 2, ABS_UPPRESSED = 3, ABS_UPDISABLED = 4;
constexpr int ABS_DOWNNORMAL = 5, ABS_DOWNHOT = 6, ABS_DOWNPRESSED = 7, ABS_DOWNDISABLED = 8;
constexpr int ABS_LEFTNORMAL = 9, ABS_LEFTHOT = 10, ABS_LEFTPRESSED = 11, ABS_LEFTDISABLED = 12;
constexpr int ABS_RIGHTNORMAL = 13, ABS_RIGHTHOT = 14, ABS_RIGHTPRESSED = 15, ABS_RIGHTDISABLED = 16;
constexpr int SCRBS_NORMAL = 1, SCRBS_HOT = 2, SCRBS_PRESSED = 3, SCRBS_DISABLED = 4;
constexpr int SZB_RIGHTALIGN = 1, SZB_LEFTALIGN = 2;

// TOOLTIP
constexpr int TTP_STANDARD = 1;
constexpr int TTP_STANDARDTITLE = 2;
constexpr int TTSS_NORMAL = 1, TTSS_LINK = 2;

// TREEVIEW
constexpr int TVP_TREEITEM = 1;
constexpr int TVP_GLYPH = 2;
constexpr int TREIS_NORMAL = 1, TREIS_HOT = 2, TREIS_SELECTED = 3, TREIS_DISABLED = 4, TREIS_SELECTEDNOTFOCUS = 5;
constexpr int GLPS_CLOSED = 1, GLPS_OPENED = 2;

// Colour properties (GetThemeColor). The system colours follow TMT_SCROLLBAR in the order of the
// COLOR_ indices: TMT_SCROLLBAR + COLOR_BTNFACE is the theme's button face.
constexpr int TMT_SCROLLBAR = 1601;
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;
