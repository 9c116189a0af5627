#pragma once
// The repeater's own commands at the end of the "His repeater" list, as a
// D-STAR radio's menu offers them: "Use reflector", one "Link ..." per
// reflector, "Unlink", "Echo test", "Repeater info". Each command is one
// transmission whose UR carries it, and is never stored.

#include <string>

#include "console/console_view.h"
#include "settings/reflector_list.h"

// UR "REF030CL": the reflector's six characters, its module letter, "L".
std::string link_command(const Reflector& reflector);

// Appends the entries after the list's own lines, while my repeater has a
// gateway and the operation is not simplex.
void offer_repeater_commands(ConsoleView& view);

// The "His repeater" list has been emptied: no entry is offered any more.
void forget_repeater_commands();

// A choice in "His repeater" that is one of the entries: handled here, and
// true. "Use reflector" makes my repeater the his repeater, as any line
// would; a command goes out at once while the link runs, and otherwise the
// operator is told the port is closed.
bool choose_repeater_command(ConsoleView& view);
