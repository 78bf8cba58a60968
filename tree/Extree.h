// The tree control's unit: items, the item collection with its walks and searches, cell styles,
// errors and resources. The control itself builds on these.
#pragma once

#include "tree/Excellctl.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitem.h"
#include "tree/Extreeitems.h"
#include "tree/Extreemodel.h"
#include "tree/Extreeres.h"
