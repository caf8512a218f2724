#pragma once
// The 32-bit parameter id that names one item of the image and of the unit.
//   bits 0-7   parameter number
//   bit 8      multi-element item, count in bits 12-19 (per row for tables)
//   bit 9      two-byte elements on the link
//   bit 10     passed to the link unchanged (signed items, map references)
//   bits 20-23 lowest bit of a bit field inside another item's word
//   bits 24-27 width of that bit field
#include <cstdint>

namespace paramid {

constexpr uint32_t kMulti = 0x100;
constexpr uint32_t kWord = 0x200;
constexpr uint32_t kSigned = 0x400;

constexpr uint32_t number(uint32_t id) { return id & 0xff; }
constexpr bool isMulti(uint32_t id) { return (id & kMulti) != 0; }
constexpr bool isWord(uint32_t id) { return (id & kWord) != 0; }
constexpr bool isSigned(uint32_t id) { return (id & kSigned) != 0; }
constexpr uint32_t count(uint32_t id) { return (id >> 12) & 0xff; }
// Elements that the id moves: its count when multi-element, else one.
constexpr uint32_t elementCount(uint32_t id) { return isMulti(id) ? count(id) : 1; }
constexpr uint32_t elementWidth(uint32_t id) { return isWord(id) ? 2 : 1; }
constexpr uint32_t byteSize(uint32_t id) { return elementCount(id) * elementWidth(id); }
// The id of one element of a multi-element item (bit 8 and the count cleared).
constexpr uint32_t elementId(uint32_t id) { return id & ~(kMulti | 0xff000u); }
// An id with a new element count, as the map ids are built at run time.
constexpr uint32_t withCount(uint32_t id, uint32_t n) {
    return (id & ~0xff000u) | ((n & 0xff) << 12) | kMulti;
}

constexpr bool isBitField(uint32_t id) { return ((id >> 20) & 0xff) != 0; }
constexpr unsigned bitPosition(uint32_t id) { return (id >> 20) & 0xf; }
constexpr unsigned bitWidth(uint32_t id) { return (id >> 24) & 0xf; }
constexpr uint32_t bitMask(uint32_t id) {
    return ((1u << bitWidth(id)) - 1u) << bitPosition(id);
}

static_assert(elementId(0xf57c) == 0x47c && elementId(0xf77c) == 0x67c);
static_assert(elementId(0x14100) == 0 && elementId(0xc30c) == 0x20c);
static_assert(byteSize(0x14100) == 20 && byteSize(0xc30c) == 24 && byteSize(0x210) == 2);
static_assert(bitMask(0x300001a) == 0x07 && bitMask(0x230001a) == 0x18);
static_assert(bitMask(0x150001a) == 0x20 && bitMask(0x170001a) == 0x80);

} // namespace paramid
