// How registered clipboard formats travel between programs through the toolkit (the clipboard and
// drag and drop share it). Internal to platform/qt/.
#pragma once

#include <QString>

#include "platform/Windows.h"

namespace morvik::qtclip {

// The private type a registered format travels under.
QString PrivateMimeType(UINT format);
// The registered format a private type stands for (registering its name when needed); 0 for any
// other type.
UINT FormatOfPrivateMimeType(const QString& mime);

}  // namespace morvik::qtclip
