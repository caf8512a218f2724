#pragma once
// What a firmware programming leaves behind until the configuration is back
// in the unit: the copy of the configuration made before it, and a record
// beside the copy with the unit's serial number. The record outlives a kill
// or a power loss, so the next connect to that unit can offer the copy.
#include <optional>
#include <string>
#include <vector>

struct TProgrammingRecord {
    std::string serial;
    std::string copyPath;
};

// A path in folder, not yet taken, whose name says that it is the copy made
// before programming the unit of this serial number on this date (yyyy-mm-dd).
std::string PreProgrammingCopyPath(const std::string& folder, const std::string& serial,
                                   const std::string& date, const std::string& extension);

// The lines every failure after programming began ends with: where the
// copy is, and how to put it back.
std::string CopyNotice(const std::string& copyPath);

// Written whole or not at all; false when it could not be stored.
bool WriteProgrammingRecord(const TProgrammingRecord& record);
void RemoveProgrammingRecord(const TProgrammingRecord& record);

// The newest record of the folders for a unit of this serial number, or for
// a unit whose serial number went with the programming (empty), whose copy
// still exists.
std::optional<TProgrammingRecord> FindProgrammingRecord(const std::vector<std::string>& folders,
                                                        const std::string& unitSerial);
