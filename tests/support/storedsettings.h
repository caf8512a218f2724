#pragma once
// The program's settings in a scratch folder, as a previous run of the
// program left them, so a data module made afterwards warns of nothing.
#include <QString>

void UseStoredSettings(const QString& folder, int language = 0);
