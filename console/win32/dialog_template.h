#pragma once
// The console dialog as a Windows dialog template, built in memory from the
// same layout table as the Qt window: dialog units, the "System" font of
// 10 points, the controls in creation order with their identifiers.

#include <windows.h>

#include <vector>

// DWORD-aligned template words, ready for DialogBoxIndirectParamW.
std::vector<WORD> console_dialog_template();
