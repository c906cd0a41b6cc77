#include "engine/CodeTables.h"
