// A scripted substitute for the platform seam: an in-memory registry, services,
// files, WMI objects and system facts that a test lays out, and a log of the
// calls that open and close things so a test can see that everything opened
// was closed, in the right order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orvex::testing {

class FakePlatform : public Platform {
public:
    // ---- registry -------------------------------------------------------
    struct Value {
        uint32_t type = 0;
        std::vector<unsigned char> data;
    };
    // Creates the key and its parents. Paths use backslashes; names compare
    // without regard to ASCII case, as Windows does.
    void addKey(RegRoot root, const std::string& path);
    void setValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
                  std::vector<unsigned char> data);
    // A REG_SZ (or the given type) stored with its terminating NUL.
    void setString(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
                   uint32_t type = kRegSz);
    void setDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value);
    void setBinary(RegRoot root, const std::string& path, const std::string& name, std::vector<unsigned char> data);
    void removeKey(RegRoot root, const std::string& path);

    // Status that enumeration returns instead of ERROR_NO_MORE_ITEMS at its end.
    long enumEndStatus = kErrorNoMoreItems;
    std::vector<uint32_t> openAccessMasks;  // every access mask a key was opened with
    int openKeys() const { return static_cast<int>(openRegHandles_.size()); }

    // ---- services -------------------------------------------------------
    bool scManagerOpens = true;
    std::map<std::string, uint32_t> services;  // name -> current state
    bool serviceQueryFails = false;

    // ---- system ---------------------------------------------------------
    uint16_t architecture = 9;
    std::optional<std::string> computerName = std::string("PC01");  // nullopt: the call fails
    bool ntdllLoads = true;
    bool hasRtlGetVersion = true;
    RtlOsVersion osVersion;
    // The ANSI code page is CP932: lead bytes 0x81-0x9F and 0xE0-0xFC.

    // ---- shell ----------------------------------------------------------
    std::optional<std::string> localAppData;  // nullopt: SHGetSpecialFolderPathA fails
    std::set<std::string> existingPaths;      // compared without regard to ASCII case
    std::vector<std::string> pathsTested;

    // ---- files ----------------------------------------------------------
    struct File {
        bool opens = true;
        bool timesReadable = true;
        uint64_t lastWrite = 0;  // FILETIME, UTC
        std::string content{};
        uint64_t sparseTail = 0;              // NUL bytes after content, never stored
        std::size_t bytesPerRead = 0;         // 0: as many as asked
        std::optional<uint64_t> readFailsAt{};  // a read that would return the byte at this offset fails
    };
    std::map<std::string, File> files;  // by exact path
    uint64_t bytesRead = 0;             // by every readFile
    int64_t localBias = 9LL * 3600 * 10000000;  // local = UTC + bias (Tokyo)
    bool localConversionFails = false;
    bool systemConversionFails = false;
    int openFiles() const { return static_cast<int>(openFileHandles_.size()); }
    std::vector<FileView> fileViews;  // the view of every file opened

    // ---- WMI ------------------------------------------------------------
    ComStatus initializeResult = 0;
    ComStatus securityResult = 0;
    ComStatus locatorResult = 0;
    ComStatus connectResult = 0;
    ComStatus blanketResult = 0;
    ComStatus queryResult = 0;
    ComStatus getResult = 0;
    // One entry per object the query yields; nullopt: the property is not a string.
    std::vector<std::optional<std::u16string>> wmiObjects;
    std::vector<std::u16string> wmiQueries;  // query texts seen
    std::vector<std::u16string> wmiNamespaces;  // namespaces connected to
    std::vector<std::u16string> wmiPropertyNames;  // property names asked for
    std::map<char16_t, std::string> ansiOf;  // wide -> ANSI for non-ASCII characters
    int liveComObjects() const { return static_cast<int>(liveCom_.size()); }

    // ---- appended files ---------------------------------------------------
    // What was appended to each file, by its UTF-16 path; a path listed in
    // unopenable cannot be opened.
    std::map<std::u16string, std::string> appended;
    std::set<std::u16string> unopenable;

    // ---- log ------------------------------------------------------------
    // "CoInitializeEx", "Release(locator)", "CloseServiceHandle(manager)", ...
    std::vector<std::string> calls;
    int pauses = 0;

    // ---- Platform ---------------------------------------------------------
    long regOpenKey(RegRoot root, const std::string& subkey, uint32_t access, RegHandle& key) override;
    long regQueryValue(RegHandle key, const std::string& valueName, uint32_t* type, unsigned char* data,
                       uint32_t* dataSize) override;
    long regEnumKey(RegHandle key, uint32_t index, char* name, uint32_t* nameChars) override;
    void regCloseKey(RegHandle key) override;

    ScHandle openScManager(uint32_t access) override;
    ScHandle openService(ScHandle manager, const std::string& name, uint32_t access) override;
    bool queryServiceState(ScHandle service, uint32_t& currentState) override;
    void closeServiceHandle(ScHandle handle) override;

    uint16_t nativeProcessorArchitecture() override { return architecture; }
    bool getComputerName(char* buffer, uint32_t& size) override;
    ModuleHandle loadLibrary(const std::string& name) override;
    ProcHandle getProcAddress(ModuleHandle module, const std::string& name) override;
    void callRtlGetVersion(ProcHandle rtlGetVersion, RtlOsVersion& info) override;
    void freeLibrary(ModuleHandle module) override;
    bool isLeadByte(unsigned char byte) override;

    bool getLocalAppDataFolder(char* buffer) override;
    bool pathFileExists(const std::string& path) override;

    FileHandle openFileForRead(const std::string& path, FileView view) override;
    bool getFileLastWriteTime(FileHandle file, uint64_t& lastWrite) override;
    void closeFile(FileHandle file) override;
    bool fileTimeToLocalFileTime(uint64_t fileTime, uint64_t& localTime) override;
    bool fileTimeToSystemTime(uint64_t fileTime, CalendarTime& time) override;
    long openFileShared(const std::string& path, FileHandle& file) override;
    long readFile(FileHandle file, char* buffer, uint32_t size, uint32_t& bytesRead) override;

    ComStatus coInitializeMultithreaded() override;
    ComStatus coInitializeSecurity() override;
    void coUninitialize() override;
    ComStatus createWbemLocator(ComHandle& locator) override;
    ComStatus connectServer(ComHandle locator, const std::u16string& nameSpace, ComHandle& services) override;
    ComStatus setProxyBlanket(ComHandle services) override;
    ComStatus execQuery(ComHandle services, const std::u16string& query, ComHandle& enumerator) override;
    ComStatus nextObject(ComHandle enumerator, ComHandle& object, uint32_t& returned) override;
    ComStatus getStringProperty(ComHandle object, const std::u16string& name, std::u16string& text,
                                bool& isString) override;
    void release(ComHandle object) override;

    std::u16string threadAnsiToWide(const std::string& text) override;
    std::string wideToAnsi(const std::u16string& text) override;
    std::u16string utf8ToWide(const std::string& text) override;
    std::string wideToAnsiExact(const std::u16string& text) override;

    std::unique_ptr<std::ostream> openForAppend(const std::u16string& path) override;

    // UTC shifted by localBias (Japan time unless a test says otherwise).
    bool localCalendar(std::time_t when, std::tm& calendar) override;

    void pause() override { ++pauses; }

private:
    struct Key {
        std::map<std::string, Value> values;     // by folded name
        std::vector<std::string> subkeyNames;    // as created, in creation order
    };
    static std::string fold(const std::string& text);
    std::string keyId(RegRoot root, const std::string& path) const;
    Key& keyAt(RegRoot root, const std::string& path);

    std::map<std::string, Key> keys_;  // by keyId
    std::map<RegHandle, std::string> openRegHandles_;
    std::map<ScHandle, std::string> openScHandles_;
    std::map<ScHandle, std::string> serviceNames_;
    std::map<FileHandle, std::string> openFileHandles_;
    std::map<FileHandle, uint64_t> readPositions_;
    std::map<ComHandle, std::string> liveCom_;  // handle -> role
    std::size_t nextObject_ = 0;
    std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace orvex::testing
