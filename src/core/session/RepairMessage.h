#pragma once

#include "Session.h"

#include <QString>

// What the clerk is told after a key repair, by the window and by talvoro-cli alike: "RIP
// corrected for all items." only when every line was repaired; else how many were and which
// lines were left (the first five, by their number in the whole list). While a filter hides
// lines (shown of all, when given), it says that only the shown lines were repaired.
QString repairMessage(KeyKind kind, const Session::RepairResult &result, int shown = -1,
                      int all = -1);
