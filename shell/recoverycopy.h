#pragma once
// What a write into the unit that did not end whole leaves behind until the
// unit is whole again: a copy of the configuration the unit had, in a fuel
// folder, and a record beside it with the serial number that configuration
// holds and when the copy was made. A programming makes them before
// anything can erase the unit, any other write once it failed and could not
// be put back; on the disk, they outlive the program, so the next connect
// can offer the copy.
// Anyone who can write in a fuel folder can plant names there: a record
// names a bare file of its own folder or is none of ours, and no copy or
// record is ever read, made or written through a link.
#include "fuelfolder.h"

#include <QDateTime>
#include <optional>
#include <string>
#include <vector>

struct TEcuImage;

// Whether a serial number names a unit: an erased one, or the text a unit
// without one is given, names none.
bool IsKnownSerial(const std::string& serial);

struct TRecoveryCopy {
    std::string serial;     // the copied configuration's serial number, byte for byte
    std::string copyPath;   // a file of the record's own folder
    std::string recordPath; // the record itself
    QDateTime made;
};

// Who made the copy: its name says so.
enum class TCopyReason { Programming, Write };

// Keeps image as a copy with its record in the image's fuel folder, under
// names that nothing held. Without both nothing is left behind and why says
// what failed.
std::optional<TRecoveryCopy> KeepRecoveryCopy(const std::string& programFolder,
                                              const TEcuImage& image, TCopyReason reason,
                                              std::string& why);
// The same without a record: a configuration file like any other, offered
// by nobody. Its path, or none.
std::optional<std::string> KeepConfigurationCopy(const std::string& programFolder,
                                                 const TEcuImage& image, std::string& why);

// The records of the folders that could belong to a unit of this serial
// number, newest first: all of them for a unit whose serial number is
// unknown (unreadable or erased). A record whose copy is gone is none.
std::vector<TRecoveryCopy> FindRecoveryCopies(const std::vector<std::string>& folders,
                                              const std::optional<std::string>& unitSerial);

// The unit is whole again: the record goes, the copy stays a configuration
// file like any other.
void RetireRecord(const TRecoveryCopy& copy);
// A copy that is not wanted after all: the record and the copy go.
void DiscardRecoveryCopy(const TRecoveryCopy& copy);
// Every record of the folders for this serial number.
void RetireRecords(const std::vector<std::string>& folders, const std::string& serial);

// The copy's bytes, read without following a link, in a private work file
// for the engine to load; empty when the copy cannot be read. The caller
// deletes the work file.
std::string CopyIntoWorkFile(const TRecoveryCopy& copy);
