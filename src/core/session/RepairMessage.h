#pragma once

#include "Session.h"

#include <QString>

// What the clerk is told after a key repair, by the window and by talvoro-cli alike: "RIP
// corrected for all items." only when every line was repaired, else how many were and which
// lines were left (first five, counted from 1 among the shown lines).
QString repairMessage(KeyKind kind, const Session::RepairResult &result);
