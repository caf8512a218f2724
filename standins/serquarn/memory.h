#pragma once
// The unit's parameter memory, addressed by the program's parameter ids.
// Every element is kept truncated to its width on the link; a read gives it
// back sign-extended when the id carries the signed bit. An id whose width,
// count or index does not fit the parameter is refused and changes nothing.
#include "params.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace serquarn {

// The map as the unit holds it: rows (the program's NumeroRighe + 1) of
// columns cells.
struct Geometry {
    int columns = 6;
    int rows = 13;
};

// The firmware a unit leaves the factory with: "2.7".
inline constexpr uint8_t kFirstFirmwareMinor = 7;
inline constexpr uint8_t kFirstFirmwareMajor = 2;

class UnitMemory {
public:
    UnitMemory();

    void clear();
    void setGeometry(Geometry g);
    Geometry geometry() const { return geometry_; }
    // Element width of CoeffPressDiff: 1 bytes, 2 words, 0 or less absent.
    void setPressureWidth(int width) { pressureWidth_ = width; }
    int pressureWidth() const { return pressureWidth_; }
    // Width the unit reports for a parameter: 0 when it has none.
    int widthOf(unsigned number) const;

    // apply false checks the call as the unit would and changes nothing.
    bool read(uint32_t id, int32_t* values) const;
    bool readRow(uint32_t id, int32_t* values, int row) const;
    bool write(uint32_t id, int32_t value, bool apply = true);
    bool writeArray(uint32_t id, const int32_t* values, bool apply = true);
    bool writeItem(uint32_t id, int index, int32_t value, bool apply = true);
    bool writeCell(uint32_t id, int row, int column, int32_t value, bool apply = true);
    bool writeRow(uint32_t id, const int32_t* values, int row, bool apply = true);

    // Access for the unit itself and for tests: element index counted over
    // the parameter's rows, the unit's own signedness, read-only ignored.
    std::optional<int32_t> peek(unsigned number, int index) const;
    bool poke(unsigned number, int index, int32_t value);
    int elementCount(unsigned number) const;

    // What a new firmware finds: every parameter zero but the state flags
    // and the clock.
    void eraseConfiguration();
    // The firmware's version bytes, as the unit's identification gives them.
    uint8_t firmwareMinor() const { return firmwareMinor_; }
    uint8_t firmwareMajor() const { return firmwareMajor_; }
    void setFirmwareVersion(uint8_t minor, uint8_t major);

    QByteArray serialize() const;
    // All or nothing: a file of another layout or a damaged one is refused.
    bool deserialize(const QByteArray& data);

private:
    struct Layout {
        int rows;
        int columns;
        int stride;
        int width; // 0 or less: absent
    };
    enum class Form { Whole, Element, Scalar };
    struct Target {
        const ParamSpec* spec;
        Layout layout;
        int count;
        bool isSigned;
    };

    Layout layoutOf(const ParamSpec& spec) const;
    std::optional<Target> resolve(uint32_t id, Form form, bool forWrite) const;
    int offset(const Layout& layout, int index) const;
    int32_t load(const Target& t, int index) const;
    void store(const Target& t, int index, int32_t value);
    std::vector<uint16_t>& cells(unsigned number) { return values_[number & 0xff]; }
    const std::vector<uint16_t>& cells(unsigned number) const { return values_[number & 0xff]; }

    std::array<std::vector<uint16_t>, 256> values_;
    Geometry geometry_;
    int pressureWidth_ = 1;
    uint8_t firmwareMinor_ = kFirstFirmwareMinor;
    uint8_t firmwareMajor_ = kFirstFirmwareMajor;
};

} // namespace serquarn
