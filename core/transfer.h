#pragma once
// What a transfer of the image reports when it returns false. The engine
// itself never shows a message: the window that ran it tells the user.
#include <cstdint>

// Transfer directions.
enum : uint8_t {
    kTransferFileToImage = 1,
    kTransferUnitToImage = 2,
    kTransferImageToFile = 4,
    kTransferImageToUnit = 8,
};

// Parameter groups of a transfer.
enum : uint32_t {
    kGroupBase = 0x01,
    kGroupMap = 0x02,
    kGroupCalibration = 0x04,
    kGroupCorrections = 0x08,
    kGroupInjector = 0x10,
    kGroupAll = 0x7fffffff,
};

enum class TTransferFault {
    None,
    // These stop the transfer.
    FileOpen,     // the configuration file could not be read (or the copy made)
    ResourceOpen, // the default configuration could not be loaded
    BeginSave,    // the unit refused to begin a save (command 17): nothing was written
    EndSave,      // the unit refused to end the save (command 18)
    UnitWait,     // the unit did not come back after the save
    FileStore,    // the file could not be written: it keeps its old content
    // These let the transfer go on; the result is still false.
    UnitWrite,    // the unit refused a value, or the link dropped, while writing
    UnitRead,     // the link dropped while reading: the image holds what was
                  // read, the rest as it was (a single refused read is no fault)
    UnitGeometry, // the unit reports a map larger than the image holds: the map
                  // items were neither read nor written
};

// The serial number a file load gives the image, and a unit without one.
inline constexpr char kNoSerialNumber[] = "SerialNumberNotInEcu";

inline constexpr char kTransferBeginSaveError[] = "Impossibile eseguire il salvataggio dei dati";
inline constexpr char kTransferEndSaveError[] =
    "Impossibile completare correttamente il salvataggio dei dati";
inline constexpr char kTransferWaitError[] =
    "Impossibile connettersi correttamente con la centralina";
inline constexpr char kTransferStoreError[] = "Impossibile salvare i dati nel file impostato";
inline constexpr char kTransferUnitWriteError[] = "La centralina non ha accettato tutti i dati";
inline constexpr char kTransferUnitReadError[] =
    "Impossibile leggere tutti i dati dalla centralina";
inline constexpr char kTransferGeometryError[] =
    "La centralina riporta una mappa di dimensioni non gestite";
