// The message texts of the import framework.
#pragma once

#include "platform/Messages.h"

namespace ostrane::impcnst {

// The texts live with every other message in platform/Messages.h.
using msg::CannotAssign;
using msg::FileDoesNotExist;
using msg::FileNotDefined;
using msg::ListIndexOutOfBounds;

} // namespace ostrane::impcnst
