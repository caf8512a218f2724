#pragma once
// The configuration file as the image holds it: the path, whether a file or
// a default-configuration resource is open, and the key reader and writer on
// a plain temporary copy ("_mt*.tmp" in the user's temporary folder) that
// exists only while open. A file is unpacked into the copy when opened for
// reading and packed back, scrambled, whenever it is closed.
#include "inifile.h"

#include "platform/module.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TConfigKey {
    std::string section;
    std::string key;
};

// Every key of a complete configuration file, in the order the transfer
// engine writes them (the carburation map with its default 13 rows).
const std::vector<TConfigKey>& ConfigFileKeys();
// The sections of a configuration file, in the order they are first written.
const std::vector<std::string>& ConfigFileSections();

class TConfigFile {
public:
    enum class Fault {
        None,
        AlreadyOpen, // another file or resource is open: it stays open
        BadPath,     // no path, or one longer than 249 characters
        BadKey,      // the scramble key is not 1 to 49 characters
        TempFile,    // no temporary copy could be made
        Unreadable,  // missing, unreadable, or not a container
        TooLarge,    // over 1 MiB
        Binary,      // control characters in the text: wrong key or foreign file
        CutShort,    // the last line has no line end
        Foreign,     // none of the configuration's sections
        NoResource,  // no such resource in the module
        StoreFailed, // closing could not write the file: it keeps its old content
    };

    static constexpr size_t kMaxPathLength = 249;
    static constexpr int64_t kMaxTextSize = 1 << 20;
    static constexpr char kFileReadError[] = "Impossibile leggere i dati dal file impostato";
    static constexpr char kResourceReadError[] =
        "Impossibile caricare i dati dalla risorsa impostata";

    TConfigFile() = default;
    ~TConfigFile(); // an open file is dropped, never stored
    TConfigFile(const TConfigFile&) = delete;
    TConfigFile& operator=(const TConfigFile&) = delete;

    // False for a path over 249 characters: the path is then cleared, so no
    // other file can be opened by mistake.
    bool SetFileName(std::string_view path);
    const std::string& FileName() const { return path_; }

    // Opens the file of FileName(); for writing the copy starts empty, so the
    // stored file holds exactly the keys written. The key is kept for the close.
    bool OpenIniFile(bool forReading, const char* scrambleKey);
    // Stores the copy into the file, scrambled, and closes. False when the
    // file could not be written (it keeps its old content) or nothing was open.
    bool CloseIniFile();
    // Closes a file or resource without storing anything.
    void DiscardIniFile();

    // Opens resource "#<id>" of type "#256" of the module.
    bool OpenIniResource(platform::ModuleHandle module, int resourceId, const char* scrambleKey);
    void CloseIniResource();

    bool IsOpen() const { return open_; }
    bool IsResource() const { return open_ && resource_; }
    Fault LastFault() const { return fault_; }
    // The message of the last failed open, empty when it did not fail.
    const std::string& LastError() const { return error_; }

    // Readers return false, leaving the value untouched, when nothing is open
    // or the key is missing. Writers do nothing while nothing is open.
    bool ReadIntegerIfExists(int32_t& value, std::string_view key, std::string_view section) const;
    bool ReadBoolIfExists(bool& value, std::string_view key, std::string_view section) const;
    // maxLen not 0: at most maxLen - 1 characters are kept.
    bool ReadStringIfExists(std::string& value, std::string_view key, std::string_view section,
                            size_t maxLen) const;
    void WriteInteger(int32_t value, std::string_view key, std::string_view section);
    void WriteBool(bool value, std::string_view key, std::string_view section);
    void WriteString(std::string_view value, std::string_view key, std::string_view section);

    // Checks a plain configuration text and parses it into profile.
    static Fault LoadText(std::string_view text, TIniFile& profile);

private:
    bool Fail(Fault fault, const char* message);
    bool MakeTemp();
    bool LoadCopy(const std::optional<std::vector<uint8_t>>& plain, const char* message);
    void DropTemp();
    std::optional<std::string> Value(std::string_view key, std::string_view section) const;

    std::string path_ = "default";
    std::string scrambleKey_;
    std::string temp_;
    TIniFile profile_;
    bool open_ = false;
    bool resource_ = false;
    Fault fault_ = Fault::None;
    std::string error_;
};
