#pragma once
// The console dialog as a Windows dialog template, built in memory from the
// same layout table as the Qt window: dialog units, the "System" font of
// 10 points, the controls in creation order with their identifiers.

#include <windows.h>

#include <vector>

#include "console/console_layout.h"

// A label that starts where a control in the same rows ends ("Tranceiver(15)"
// after the My repeater list): its caption is centred so that it touches
// neither that control's frame nor the one that follows.
bool starts_where_another_ends(const ControlSpec& placed);

// DWORD-aligned template words, ready for DialogBoxIndirectParamW.
std::vector<WORD> console_dialog_template();
