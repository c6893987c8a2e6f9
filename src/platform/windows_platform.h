// The real Windows API behind the platform seam.
#pragma once

#include "platform/platform.h"

namespace orvex {

class WindowsPlatform final : public Platform {
public:
    long regOpenKey(RegRoot root, const std::string& subkey, uint32_t access, RegHandle& key) override;
    long regQueryValue(RegHandle key, const std::string& valueName, uint32_t* type, unsigned char* data,
                       uint32_t* dataSize) override;
    long regEnumKey(RegHandle key, uint32_t index, char* name, uint32_t* nameChars) override;
    void regCloseKey(RegHandle key) override;

    ScHandle openScManager(uint32_t access) override;
    ScHandle openService(ScHandle manager, const std::string& name, uint32_t access) override;
    bool queryServiceState(ScHandle service, uint32_t& currentState) override;
    void closeServiceHandle(ScHandle handle) override;

    uint16_t nativeProcessorArchitecture() override;
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

    bool localCalendar(std::time_t when, std::tm& calendar) override;

    void pause() override;
};

}  // namespace orvex
