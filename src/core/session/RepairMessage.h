#pragma once

#include "Session.h"

// What a key repair tells the clerk: the repaired lines, said to be only the shown ones
// when a filter hides lines (shown of all), and the lines it could not repair, by their
// number in the whole list.
QString repairMessage(KeyKind kind, const Session::RepairResult &result, int shown, int all);
