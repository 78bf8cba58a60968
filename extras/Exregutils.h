// Registry helpers of the extra components. TRegRootType, the registry root choice, is declared with
// the registry itself (platform/Registry.h) so that the settings store below this layer takes the
// same type; it is available through this header.
#pragma once

#include "platform/Registry.h"
