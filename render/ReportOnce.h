#pragma once
// The render passes' name for the one report-once module.
#include "core/ReportOnce.h"
