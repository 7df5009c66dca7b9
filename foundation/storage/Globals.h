#pragma once

// Everything the library exports for the other deliverables, in one include.
#include "foundation/storage/BaseTessel.h"
#include "foundation/storage/DbSqlite3.h"
#include "foundation/storage/FormatText.h"
#include "foundation/storage/GlobalSettings.h"
#include "foundation/storage/Language.h"
#include "foundation/storage/SqlText.h"
#include "foundation/storage/SysHelpers.h"
