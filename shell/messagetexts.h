#pragma once
// The texts of the program's messages. The transfer engine reports its
// failures in Italian, as the unit's maker wrote them; the windows show them
// in the program's language.
#include <initializer_list>
#include <string>

// Lines of a message, the empty ones left out.
std::string Lines(std::initializer_list<std::string> lines);

// The engine's text (with any detail after it) in the current language; a
// text the language lacks, or the engine does not know, passes as it is.
std::string EngineText(const std::string& text);
