#pragma once
// The one converter between the program's 8-bit code page 1252 text and the
// Unicode strings of the widgets. Text stays 1252 everywhere else.
#include <QString>
#include <string>

namespace platform {

QString toUnicode(const std::string& cp1252);
QString toUnicode(const char* cp1252);
// Characters outside code page 1252 become '?'.
std::string fromUnicode(const QString& text);
char16_t cp1252ToUnicode(unsigned char byte);

// The short forms for the widget boundary, where the two meet line after line.
inline QString u(const std::string& cp1252) {
    return toUnicode(cp1252);
}
inline std::string cp(const QString& text) {
    return fromUnicode(text);
}

} // namespace platform
