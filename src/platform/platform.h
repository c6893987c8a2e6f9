// The one seam between the checks and Windows.
//
// Every operating-system call the checks make goes through Platform. The
// Windows build implements it with the real API (windows_platform.cpp); the
// tests script a substitute. Handles cross the seam as opaque numbers, 0 for
// "none"; texts are narrow strings in the Windows ANSI code page. No
// operation throws: failures come back as the status the Windows call gives.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <ostream>
#include <string>

namespace orvex {

// Win32 values the checks name; kept here so the checks need no Windows header.
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWow64_64Key = 0x0100;

constexpr uint32_t kScManagerConnect = 0x0001;
constexpr uint32_t kServiceQueryStatus = 0x0004;

enum class RegRoot { LocalMachine, ClassesRoot, Users };

// Which file system a path names. A 32-bit process on 64-bit Windows sees
// System32 redirected to SysWOW64; a path taken from the native (64-bit)
// registry names the native file system and must be opened without that
// redirection.
enum class FileView { Process, Native };

using RegHandle = std::uintptr_t;
using ScHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;
using ModuleHandle = std::uintptr_t;
using ProcHandle = std::uintptr_t;
using ComHandle = std::uintptr_t;  // an interface pointer the caller releases

// What RtlGetVersion fills in, as far as the checks read it.
struct RtlOsVersion {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    char16_t servicePack[128] = {};
};

// SYSTEMTIME.
struct CalendarTime {
    uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
    uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// A COM status (HRESULT); negative is failure.
using ComStatus = int32_t;

class Platform {
public:
    virtual ~Platform() = default;

    // Registry (RegOpenKeyExA, RegQueryValueExA, RegEnumKeyExA, RegCloseKey).
    // queryValue with data == nullptr reports type and size only.
    virtual long regOpenKey(RegRoot root, const std::string& subkey, uint32_t access, RegHandle& key) = 0;
    virtual long regQueryValue(RegHandle key, const std::string& valueName, uint32_t* type,
                               unsigned char* data, uint32_t* dataSize) = 0;
    virtual long regEnumKey(RegHandle key, uint32_t index, char* name, uint32_t* nameChars) = 0;
    virtual void regCloseKey(RegHandle key) = 0;

    // Service control (OpenSCManagerA, OpenServiceA, QueryServiceStatus, CloseServiceHandle).
    virtual ScHandle openScManager(uint32_t access) = 0;
    virtual ScHandle openService(ScHandle manager, const std::string& name, uint32_t access) = 0;
    virtual bool queryServiceState(ScHandle service, uint32_t& currentState) = 0;
    virtual void closeServiceHandle(ScHandle handle) = 0;

    // System information.
    virtual uint16_t nativeProcessorArchitecture() = 0;                 // GetNativeSystemInfo
    virtual bool getComputerName(char* buffer, uint32_t& size) = 0;     // GetComputerNameA
    virtual ModuleHandle loadLibrary(const std::string& name) = 0;      // LoadLibraryA
    virtual ProcHandle getProcAddress(ModuleHandle module, const std::string& name) = 0;
    virtual void callRtlGetVersion(ProcHandle rtlGetVersion, RtlOsVersion& info) = 0;
    virtual void freeLibrary(ModuleHandle module) = 0;
    // IsDBCSLeadByte: whether the byte starts a double-byte character of the ANSI code page.
    virtual bool isLeadByte(unsigned char byte) = 0;

    // Shell paths. The buffer holds 260 bytes (MAX_PATH).
    virtual bool getLocalAppDataFolder(char* buffer) = 0;               // SHGetSpecialFolderPathA
    virtual bool pathFileExists(const std::string& path) = 0;           // PathFileExistsA

    // File times. Times are FILETIME values (100 ns since 1601).
    virtual FileHandle openFileForRead(const std::string& path, FileView view) = 0;  // CreateFileA; 0 = invalid
    virtual bool getFileLastWriteTime(FileHandle file, uint64_t& lastWrite) = 0;
    virtual void closeFile(FileHandle file) = 0;
    virtual bool fileTimeToLocalFileTime(uint64_t fileTime, uint64_t& localTime) = 0;
    virtual bool fileTimeToSystemTime(uint64_t fileTime, CalendarTime& time) = 0;

    // Reading a file front to back (CreateFileA, ReadFile; closeFile closes it).
    // The file is opened the way the C runtime opens a file to read: other
    // programs may go on reading, writing and deleting it meanwhile, so a
    // browser that holds its document open does not keep us out. Both return
    // the Win32 error status, 0 on success; a read of 0 bytes that succeeds
    // is the end of the file.
    [[nodiscard]] virtual long openFileShared(const std::string& path, FileHandle& file) = 0;
    [[nodiscard]] virtual long readFile(FileHandle file, char* buffer, uint32_t size, uint32_t& bytesRead) = 0;

    // Management instrumentation over COM, step by step.
    virtual ComStatus coInitializeMultithreaded() = 0;
    virtual ComStatus coInitializeSecurity() = 0;
    virtual void coUninitialize() = 0;
    virtual ComStatus createWbemLocator(ComHandle& locator) = 0;
    virtual ComStatus connectServer(ComHandle locator, const std::u16string& nameSpace, ComHandle& services) = 0;
    virtual ComStatus setProxyBlanket(ComHandle services) = 0;
    virtual ComStatus execQuery(ComHandle services, const std::u16string& query, ComHandle& enumerator) = 0;
    // IEnumWbemClassObject::Next with WBEM_INFINITE and a count of 1.
    virtual ComStatus nextObject(ComHandle enumerator, ComHandle& object, uint32_t& returned) = 0;
    // IWbemClassObject::Get; isString tells whether the VARIANT held a BSTR. The
    // VARIANT is cleared before return.
    virtual ComStatus getStringProperty(ComHandle object, const std::u16string& name, std::u16string& text,
                                        bool& isString) = 0;
    virtual void release(ComHandle object) = 0;

    // Text conversion (MultiByteToWideChar / WideCharToMultiByte).
    virtual std::u16string threadAnsiToWide(const std::string& text) = 0;   // CP_THREAD_ACP
    virtual std::string wideToAnsi(const std::u16string& text) = 0;         // CP_ACP, whole text
    // UTF-8 to UTF-16; an invalid sequence becomes U+FFFD.
    virtual std::u16string utf8ToWide(const std::string& text) = 0;
    // To the ANSI code page, one '?' for each character the code page lacks:
    // never a look-alike (no best-fit mapping).
    virtual std::string wideToAnsiExact(const std::u16string& text) = 0;

    // Opens the result file by its UTF-16 name for appending: created when
    // missing, every flushed line written whole at its end, others may go on
    // reading and writing it. Runs of the tool take turns at one file: while
    // another run is writing it, this waits until that run ends (at most
    // about a minute). nullptr when it cannot be opened or the turn does not
    // come; the turn lasts as long as the stream.
    virtual std::unique_ptr<std::ostream> openForAppend(const std::u16string& path) = 0;

    // The local calendar time of a moment (localtime_s); false when it cannot be had.
    virtual bool localCalendar(std::time_t when, std::tm& calendar) = 0;

    // The command interpreter's "pause".
    virtual void pause() = 0;
};

}  // namespace orvex
