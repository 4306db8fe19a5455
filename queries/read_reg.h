#pragma once

// The module ReadReg: the two questions the removal asks the system, what an
// uninstall entry says and which uninstallers run. Neither keeps anything
// between calls.
#include "queries/running_uninstallers.h"
#include "queries/uninstall_entry.h"
