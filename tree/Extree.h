// The tree control's unit: items, the item collection with its walks and searches, cell styles,
// errors and resources, and the control with its view and its in-place editor registry.
#pragma once

#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitem.h"
#include "tree/Extreeitems.h"
#include "tree/Extreemodel.h"
#include "tree/Extreeres.h"
#include "tree/Extreectl.h"
#include "tree/Extreeedit.h"
#include "tree/Extreeview.h"
