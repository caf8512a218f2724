#pragma once
// The data module: the one owner of the control-unit image, the settings
// component and the link component. Every window reads and edits the unit's
// configuration through it. Setters are write-through: the value goes to the
// link first and into the image only when the link accepted it.
#include "configfile.h"
#include "ecuimage.h"
#include "tempcurve.h"
#include "transfer.h"

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TQuarnConnectEcu;
class TQuarnGlobalData;
class TScreen;
class TSerialEcuLink;

class TStreamDati : public QObject {
public:
    // screen: the windows to tell (the program's screen when null); link: a
    // link to use in place of the one the link component loads.
    explicit TStreamDati(QObject* owner = nullptr, TScreen* screen = nullptr,
                         TSerialEcuLink* link = nullptr);
    ~TStreamDati() override;

    TQuarnGlobalData* QuarnGlobalData = nullptr;
    TQuarnConnectEcu* QuarnConnectEcu = nullptr;
    // The link object; never null.
    TSerialEcuLink* EcuLink() const;
    TScreen& Screen() const { return *screen_; }

    // --- The image as a whole ----------------------------------------------
    const TEcuImage& Image() const { return image_; }
    // Rolls back to a snapshot; the temperature curves follow it.
    void RestoreImage(const TEcuImage& snapshot);
    bool IsModified() const { return image_.Modified; }
    void SetModified(bool on) { image_.Modified = on; }
    // Whether the image holds the configuration of the unit now connected:
    // set by a transfer that read the unit whole or wrote the image into it,
    // cleared by a transfer that replaced the image otherwise or failed, and
    // by the window that sees the link closed.
    bool ImageFromUnit() const { return imageFromUnit_; }
    void SetImageFromUnit(bool on) { imageFromUnit_ = on; }
    const uint8_t* EcuIdentity() const { return image_.EcuIdentity; }

    // Takes a geometry only with 1..13 map rows (NumeroRighe 0..12) and 1..12
    // columns; otherwise the previous geometry stays and the result is false.
    bool SetMapGeometry(int32_t numeroRighe, int32_t numeroColonne);
    // Ids whose element count follows the geometry.
    uint32_t RifTempiKId() const;
    uint32_t RifGiriKId() const;
    uint32_t TOpenLoopId() const;
    uint32_t MappaKRowId() const;

    uint32_t ProgressTotal() const { return progressTotal_; }
    uint32_t ProgressDone() const { return progressDone_; }
    void ResetProgress() { progressDone_ = 0; }

    // --- Transfer engine -----------------------------------------------------
    // Moves the groups of groupMask between the configuration file (or the
    // default configuration resourceId of "Basario.dll", which wins over a
    // file name), the image and the unit, in the directions of flags; notify
    // sends the progress to the wait window. Never shows a message: false
    // tells the caller to look at LastTransferError().
    // keepUnitItems: for a file the user chose, the items that files do not
    // carry (clock, serial number, the unit's own counters) keep the values
    // last read from the unit instead of the values of a reset.
    bool Transfer(uint8_t flags, std::string_view fileName, int resourceId, uint32_t groupMask,
                  bool notify, bool keepUnitItems = false);
    // Writes image (not the image held) into a configuration file without
    // a word to the unit, connected or not; the image held, its curves and
    // the last transfer's report stay as they were. why: the failure's text.
    bool SaveImageCopy(const TEcuImage& image, std::string_view path, std::string& why);
    // Why the last transfer returned false; None and an empty text after success.
    TTransferFault LastTransferFault() const { return transferFault_; }
    const std::string& LastTransferError() const { return transferError_; }
    // Whether the last transfer into the unit left it marked never
    // configured: it began writing and did not end whole.
    bool UnitLeftMarked() const { return unitLeftMarked_; }
    // The keys of the last load that held a value out of range and so took
    // their default; the load itself succeeded.
    const std::vector<std::string>& OutOfRangeKeys() const { return outOfRangeKeys_; }

    // --- Configuration file ------------------------------------------------------
    const TConfigFile& ConfigFile() const { return configFile_; }
    const std::string& ConfigFileName() const { return configFile_.FileName(); }
    const std::string& ScrambleKey() const { return scrambleKey_; }
    // False (key kept) for an empty key or one of 50 characters or more.
    bool SetScrambleKey(const std::string& key);
    // False for a path over 249 characters (the path is then cleared).
    bool SetFileName(std::string_view path) { return configFile_.SetFileName(path); }
    // Each open does nothing but fail while a file or resource is open; the
    // message of a failed open is ConfigFile().LastError().
    bool OpenIniFile(bool forReading);
    // False when the file could not be written: it keeps its old content.
    bool CloseIniFile() { return configFile_.CloseIniFile(); }
    // Closes a file or resource without storing anything.
    void DiscardIniFile() { configFile_.DiscardIniFile(); }
    // Resource "#<id>" of type "#256" of the default-configuration library.
    bool OpenIniResource(int resourceId);
    void CloseIniResource() { configFile_.CloseIniResource(); }
    bool ReadIntegerIfExists(int32_t& value, std::string_view key, std::string_view section) const {
        return configFile_.ReadIntegerIfExists(value, key, section);
    }
    bool ReadBoolIfExists(bool& value, std::string_view key, std::string_view section) const {
        return configFile_.ReadBoolIfExists(value, key, section);
    }
    bool ReadStringIfExists(std::string& value, std::string_view key, std::string_view section,
                            size_t maxLen) const {
        return configFile_.ReadStringIfExists(value, key, section, maxLen);
    }
    void WriteInteger(int32_t value, std::string_view key, std::string_view section) {
        configFile_.WriteInteger(value, key, section);
    }
    void WriteBool(bool value, std::string_view key, std::string_view section) {
        configFile_.WriteBool(value, key, section);
    }
    void WriteString(std::string_view value, std::string_view key, std::string_view section) {
        configFile_.WriteString(value, key, section);
    }
    // The scrambled container with an explicit key, null meaning the image's.
    bool ConvertScrambledFile(const char* source, const char* target, bool toPlain,
                              const char* key = nullptr) const;
    std::optional<std::vector<uint8_t>> ReadScrambledFile(const char* path,
                                                          const char* key = nullptr) const;
    bool UnscrambleResource(const uint8_t* data, size_t size, const char* target,
                            const char* key = nullptr) const;

    // --- Accessors and write-through setters -------------------------------
    // Getters return 0 for an index out of bounds; setters ignore it. A setter
    // returns true when the image took the value.
    int32_t GetMappaK(int row, int col) const;
    bool SetMappaK(int row, int col, int32_t v);
    int32_t GetRifGiriK(int col) const;
    bool SetRifGiriK(int col, int32_t v);
    long double GetRifTempiK(int row) const;
    bool SetRifTempiK(int row, double ms);
    long double GetTOpenLoop(int col) const;
    bool SetTOpenLoop(int col, double ms);
    int32_t GetNumeroRighe() const { return image_.NumeroRighe; }
    int32_t GetNumeroColonne() const { return image_.NumeroColonne; }
    int32_t GetMappaCorrAutotaratura(int r, int c) const;
    bool SetMappaCorrAutotaratura(int r, int c, int32_t v);
    int32_t GetRifGiri(int i) const;
    bool SetRifGiri(int i, int32_t rpm);
    long double GetRiferimentiSondaLambda(int i) const;
    bool SetRiferimentiSondaLambda(int i, double volts);
    int32_t GetRitardoEmulazioneRicca(int i) const;
    bool SetRitardoEmulazioneRicca(int i, int32_t v);
    int32_t GetOpzione(int i) const;
    bool SetOpzione(int i, int32_t v);
    long double GetScartoMinimoTaratura(int i) const;
    bool SetScartoMinimoTaratura(int i, double ms);
    int32_t GetTipoIniettoreSoftware(int i) const;
    bool SetTipoIniettoreSoftware(int i, int32_t v);
    long double GetTInjDefault(int i, int j) const;
    bool SetTInjDefault(int i, int j, double ms);
    int32_t GetParametriTempMotore(int i) const;
    bool SetParametriTempMotore(int i, int32_t v);
    int32_t GetEcuTempMotore(int i) const;
    bool SetEcuTempMotore(int i, int32_t v);
    int32_t GetOffsetPendenzaMap(int i) const;
    bool SetOffsetPendenzaMap(int i, int32_t v);
    // Position of the type code in the level-sensor code list, -1 when absent.
    int GetTipoSensoreLivello() const;
    bool SetTipoSensoreLivello(int index);
    int32_t GetRifSensore(int i) const;
    bool SetRifSensore(int i, int32_t v);
    // 0 change-over accelerating, 1 decelerating, 2 start on gas.
    int GetModoCambio() const;
    bool SetModoCambio(int mode);
    int32_t GetTipoSensoreTemperaturaGas() const { return image_.TipoSensoreTemperaturaGas; }
    bool SetTipoSensoreTemperaturaGas(int32_t type);
    bool GetSegnaleGiri() const;
    bool SetSegnaleGiri(bool on);
    bool GetFlag(int n) const;
    static bool FlagOf(const TEcuImage& image, int n);
    bool SetFlag(int n, bool on);
    // kind 1 opening, 2 closing, 3 petrol dead time, 4 gas dead time.
    long double GetTempoIniettore(int kind) const;
    bool SetTempoIniettore(int kind, double ms);
    int32_t GetKFiltro(int i) const;
    bool SetKFiltro(int i, int32_t v);
    std::string GetNomeConfigurazione() const;
    bool SetNomeConfigurazione(const std::string& text);
    bool IsUfficiale() const;
    bool SetUfficiale(bool on);
    std::string GetSerialNumber() const;
    static std::string SerialNumberOf(const TEcuImage& image);
    bool SetSerialNumber(const std::string& text);
    // kind 1 Stato (re-read from the unit first), 2 Abilitazione.
    int32_t GetDiagnosi(int i, int kind);
    bool SetDiagnosi(int i, int kind, int32_t v);
    int32_t GetAzione(int i, int j) const;
    bool SetAzione(int i, int j, int32_t v);
    long double GetTempDiagnosi(int i) const;
    bool SetTempDiagnosi(int i, double degC);
    int32_t GetCoeff(int i) const;
    bool SetCoeff(int i, int32_t v);
    int32_t GetCoeffMot(int i) const;
    bool SetCoeffMot(int i, int32_t v);
    // Points 0 and 9 raw; points 1-8 in whole degrees C.
    int32_t GetRif(int i) const;
    bool SetRif(int i, int32_t degC);
    int32_t GetRifMot(int i) const;
    bool SetRifMot(int i, int32_t degC);
    long double GetCoeffPressDiff(int i) const;
    bool SetCoeffPressDiff(int i, double v);
    long double GetRifPressDiff(int i) const;
    bool SetRifPressDiff(int i, double v);
    int GetNumeroSonde() const;
    bool SetNumeroSonde(int n);
    // kind 1 DescrizAuto, 2 Euro, 3 Motore, 4 Centralina, 5 Cambio.
    std::string GetDescrizione(int kind) const;
    void SetDescrizione(int kind, const std::string& text);
    int32_t GetClock() const { return image_.Clock; }

    // --- Values by parameter id --------------------------------------------
    // The image element of a scalar id GetValue knows, or null.
    int32_t* GetParamAddress(uint32_t id);
    // 800000.0 for an id without a conversion.
    long double GetValue(uint32_t id);
    // 1 done, 0 refused (by the link, or an id or value without a
    // conversion), -1 for a negative id.
    int SetValue(int32_t id, double value);
    // The arrays 25, 151 and 586 by element.
    long double GetTableValue(int32_t id, int index) const;
    int SetTableValue(int32_t id, int index, double value);

    long double ConvertRawToTempGas(int32_t raw) const { return gasCurve_.RawToTemp(raw); }
    int32_t ConvertTempGasToRaw(float degC) const { return gasCurve_.TempToRaw(degC); }
    long double ConvertRawToTempMotore(int32_t raw) const { return engineCurve_.RawToTemp(raw); }
    int32_t ConvertTempMotoreToRaw(float degC) const { return engineCurve_.TempToRaw(degC); }
    // Any other type than 0, 1, 2 leaves the gas curve unchanged.
    void BuildTempGasTable(int32_t type);
    // fromUnit: the unit's own curve when it is usable, else the default one.
    void BuildTempMotoreTable(bool fromUnit);
    const TTempCurve& GasCurve() const { return gasCurve_; }
    const TTempCurve& EngineCurve() const { return engineCurve_; }

    // --- Unit operations, progress -----------------------------------------
    bool ReadEcuIdentity();
    // The unit's serial number up to its first 0 (at most 20 characters);
    // nullopt when the unit does not answer.
    std::optional<std::string> ReadUnitSerialNumber();
    // Bit 0 of the unit's state flags: set, the next connect sets the unit up
    // afresh. The mark reads the flags first (once more on a refusal, since a
    // write without them would wipe the other bits) and gives them back.
    bool MarkNeverConfigured(int32_t& state);
    bool ClearNeverConfigured(int32_t state);
    enum class TStoredMark {
        Stored,   // the unit keeps the mark, read back after its restart
        NotTaken, // the unit refused it: it holds what it held
        Unsure,   // sent, but the unit did not confirm that it keeps it
    };
    // The mark in a save of its own (begin, mark, end, the wait for the
    // unit): a mark sent inside a longer save lasts only once that save ends.
    TStoredMark StoreNeverConfiguredMark();
    void SetEcuIdentity(uint8_t modelCode);
    // Moves every map cell of the zone and its correction by delta, all or
    // nothing: false when a cell or the correction would leave its range or
    // the link refused a write (the cells already moved are then written back).
    bool ShiftCorrectionZone(int zoneRow, int zoneCol, int32_t delta);
    void GetCellZone(int row, int col, int& zoneRow, int& zoneCol) const;
    bool TestLambdaTypeBit0() const { return (image_.TipoDiLambda & 1) != 0; }
    bool IsLevelSensorInverted() const { return (image_.TipoSensore & 0x80) != 0; }
    bool TestTpsTypeBit0() const { return (image_.TipoDiTps & 1) != 0; }
    // Writes the thresholds of the lambda type: true when the type has
    // defaults and the unit took all seven.
    bool SetLambdaDefaults();
    bool HasLambdaDefaults() const;
    bool HasSecondBank() const { return (image_.Flag[0] & 0x4) == 0; }
    // Reopens the connection (reconnection against timeoutMs) and waits for
    // the unit to report ready (always 20 s).
    bool WaitForEcu(uint32_t timeoutMs);
    bool WaitEcuReady(uint32_t timeoutMs);
    void AddProgress(uint32_t id, uint32_t total, bool notify);

private:
    enum class Refusal { A, B, C };
    // The end of every write-through setter: store on acceptance, then the
    // modified flag and the official mark as the refusal class says.
    bool commit(Refusal cls, bool accepted, int32_t& element, int32_t raw);
    void withdrawOfficialMark();
    // A setter of one element of an array written with WriteParamItem.
    template <size_t N>
    bool setItem(Refusal cls, uint32_t id, int32_t (&array)[N], int i, int32_t v);
    bool writeOptionWords(const int32_t words[2]);
    // Writes a text element by element; zeroFill: zeros up to the end, else
    // one terminating zero when the text is shorter. A write cut short puts
    // the elements already written back; the image holds what the unit took.
    bool writeText(uint32_t elementId, int first, int32_t* elements, int size,
                   const std::string& text, bool zeroFill);
    // A new curve re-expresses the temperatures held on it, only when the
    // conversions really change.
    void changeGasCurve(const std::optional<TTempCurve>& next);
    void changeEngineCurve(bool fromUnit);
    void rebuildCurves();
    // The rpm to leave start on gas with: the remembered one while start on
    // gas holds, else the image's own; 1600 when neither has one.
    int32_t changeOverRpm() const;
    long double clockMs(int32_t raw) const;
    const char* keyOr(const char* key) const;
    int32_t msToClock(double ms) const;

    TScreen* screen_;
    TSerialEcuLink* linkOverride_;
    TEcuImage image_;
    bool imageFromUnit_ = false;
    TTempCurve gasCurve_;
    TTempCurve engineCurve_;
    uint32_t progressTotal_ = 0;
    uint32_t progressDone_ = 0;
    TConfigFile configFile_;
    std::string scrambleKey_;
    TTransferFault transferFault_ = TTransferFault::None;
    std::string transferError_;
    bool unitLeftMarked_ = false;
    std::vector<std::string> outOfRangeKeys_;
};

// The program's one data module, set by start-up; core never relies on it.
extern TStreamDati* StreamDati;
