// The import framework: the store of loaded values (cells, rows, sheets, the
// load range) and the import component that readers derive from.
#pragma once

#include "framework/CellStore.h"
#include "framework/ImportComponent.h"
