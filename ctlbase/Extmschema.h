// Theme class names with their part, state and property numbers, used in place by the controls'
// drawing code. They are the system's own numbers, kept with the platform's theme interface.
#pragma once

#include "platform/ThemeSchema.h"
