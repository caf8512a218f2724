#pragma once
// Binary form of a string table as a module carries it: "VXST", a 32-bit
// count, then per string a 32-bit id, a 16-bit length and the code page 1252
// bytes. All numbers little-endian; a text longer than 65535 bytes is cut.
#include <QByteArray>
#include <map>
#include <string>

namespace platform {

class StringTable {
public:
    void add(unsigned id, std::string text) { strings_[id] = std::move(text); }
    const std::string* find(unsigned id) const;
    const std::map<unsigned, std::string>& strings() const { return strings_; }
    QByteArray serialize() const;
    // False (and the table left empty) for data that is not a whole table.
    bool parse(const QByteArray& data);

private:
    std::map<unsigned, std::string> strings_;
};

} // namespace platform
