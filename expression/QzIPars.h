// The expression engine: tokenizer, tree and evaluation, built-in functions,
// text helpers, the component and user functions.
#pragma once

#include "expression/Component.h"
#include "expression/Functions.h"
#include "expression/TextHelpers.h"
#include "expression/Tokenizer.h"
#include "expression/Tree.h"
