#include "platform/windows_platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <wbemidl.h>

#include <cstdlib>
#include <vector>

#include "platform/windows_result_file.h"

namespace orvex {

namespace {

HKEY rootKey(RegRoot root) {
    switch (root) {
    case RegRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::Users: break;
    }
    return HKEY_USERS;
}

template <typename T>
T* as(std::uintptr_t handle) {
    return reinterpret_cast<T*>(handle);
}

std::uintptr_t handleOf(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

// The error of the call that just failed; never 0, which would read as success.
long lastErrorStatus() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? static_cast<long>(error) : static_cast<long>(ERROR_GEN_FAILURE);
}

// A BSTR for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::u16string& text)
        : value_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.c_str()), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

// {4590F811-1D3A-11D0-891F-00AA004B2E24} and {DC12A687-737F-11CF-884D-00AA004B2E24}
const CLSID kClsidWbemLocator = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID kIidWbemLocator = {0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

}  // namespace

long WindowsPlatform::regOpenKey(RegRoot root, const std::string& subkey, uint32_t access, RegHandle& key) {
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(rootKey(root), subkey.c_str(), 0, access, &opened);
    key = status == ERROR_SUCCESS ? handleOf(opened) : 0;
    return status;
}

long WindowsPlatform::regQueryValue(RegHandle key, const std::string& valueName, uint32_t* type,
                                    unsigned char* data, uint32_t* dataSize) {
    DWORD valueType = 0;
    DWORD size = dataSize ? *dataSize : 0;
    LONG status = RegQueryValueExA(as<HKEY__>(key), valueName.c_str(), nullptr, &valueType, data,
                                   dataSize ? &size : nullptr);
    if (type) *type = valueType;
    if (dataSize) *dataSize = size;
    return status;
}

long WindowsPlatform::regEnumKey(RegHandle key, uint32_t index, char* name, uint32_t* nameChars) {
    DWORD size = *nameChars;
    FILETIME lastWrite;
    LONG status = RegEnumKeyExA(as<HKEY__>(key), index, name, &size, nullptr, nullptr, nullptr, &lastWrite);
    *nameChars = size;
    return status;
}

void WindowsPlatform::regCloseKey(RegHandle key) { RegCloseKey(as<HKEY__>(key)); }

ScHandle WindowsPlatform::openScManager(uint32_t access) { return handleOf(OpenSCManagerA(nullptr, nullptr, access)); }

ScHandle WindowsPlatform::openService(ScHandle manager, const std::string& name, uint32_t access) {
    return handleOf(OpenServiceA(as<SC_HANDLE__>(manager), name.c_str(), access));
}

bool WindowsPlatform::queryServiceState(ScHandle service, uint32_t& currentState) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(as<SC_HANDLE__>(service), &status)) return false;
    currentState = status.dwCurrentState;
    return true;
}

void WindowsPlatform::closeServiceHandle(ScHandle handle) { CloseServiceHandle(as<SC_HANDLE__>(handle)); }

uint16_t WindowsPlatform::nativeProcessorArchitecture() {
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}

bool WindowsPlatform::getComputerName(char* buffer, uint32_t& size) {
    DWORD length = size;
    BOOL ok = GetComputerNameA(buffer, &length);
    size = length;
    return ok != FALSE;
}

ModuleHandle WindowsPlatform::loadLibrary(const std::string& name) { return handleOf(LoadLibraryA(name.c_str())); }

ProcHandle WindowsPlatform::getProcAddress(ModuleHandle module, const std::string& name) {
    return reinterpret_cast<ProcHandle>(GetProcAddress(as<HINSTANCE__>(module), name.c_str()));
}

void WindowsPlatform::callRtlGetVersion(ProcHandle rtlGetVersion, RtlOsVersion& info) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    reinterpret_cast<RtlGetVersionFn>(rtlGetVersion)(&version);
    info.majorVersion = version.dwMajorVersion;
    info.minorVersion = version.dwMinorVersion;
    info.buildNumber = version.dwBuildNumber;
    info.platformId = version.dwPlatformId;
    static_assert(sizeof(info.servicePack) == sizeof(version.szCSDVersion), "service-pack text");
    for (size_t i = 0; i < 128; ++i) info.servicePack[i] = static_cast<char16_t>(version.szCSDVersion[i]);
}

void WindowsPlatform::freeLibrary(ModuleHandle module) { FreeLibrary(as<HINSTANCE__>(module)); }

bool WindowsPlatform::isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool WindowsPlatform::getLocalAppDataFolder(char* buffer) {
    return SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_LOCAL_APPDATA, FALSE) != FALSE;
}

bool WindowsPlatform::pathFileExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

FileHandle WindowsPlatform::openFileForRead(const std::string& path, FileView view) {
    // The native view: file-system redirection off for this one open. Looked up
    // at run time; where it does not exist (32-bit Windows) there is nothing to turn off.
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using RevertFn = BOOL(WINAPI*)(PVOID);
    DisableFn disable = nullptr;
    RevertFn revert = nullptr;
    PVOID redirection = nullptr;
    bool disabled = false;
    if (view == FileView::Native) {
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        if (kernel32 != nullptr) {
            disable = reinterpret_cast<DisableFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection")));
            revert = reinterpret_cast<RevertFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection")));
        }
        disabled = disable != nullptr && revert != nullptr && disable(&redirection);
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (disabled) revert(redirection);
    return file == INVALID_HANDLE_VALUE ? 0 : handleOf(file);
}

bool WindowsPlatform::getFileLastWriteTime(FileHandle file, uint64_t& lastWrite) {
    FILETIME creation, access, write;
    if (!GetFileTime(as<void>(file), &creation, &access, &write)) return false;
    lastWrite = (static_cast<uint64_t>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
    return true;
}

void WindowsPlatform::closeFile(FileHandle file) { CloseHandle(as<void>(file)); }

bool WindowsPlatform::fileTimeToLocalFileTime(uint64_t fileTime, uint64_t& localTime) {
    FILETIME in = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    FILETIME out = {};
    if (!FileTimeToLocalFileTime(&in, &out)) return false;
    localTime = (static_cast<uint64_t>(out.dwHighDateTime) << 32) | out.dwLowDateTime;
    return true;
}

bool WindowsPlatform::fileTimeToSystemTime(uint64_t fileTime, CalendarTime& time) {
    FILETIME in = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME out = {};
    if (!FileTimeToSystemTime(&in, &out)) return false;
    time = {out.wYear, out.wMonth, out.wDayOfWeek, out.wDay, out.wHour, out.wMinute, out.wSecond, out.wMilliseconds};
    return true;
}

long WindowsPlatform::openFileShared(const std::string& path, FileHandle& file) {
    HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        file = 0;
        return lastErrorStatus();
    }
    file = handleOf(opened);
    return ERROR_SUCCESS;
}

long WindowsPlatform::readFile(FileHandle file, char* buffer, uint32_t size, uint32_t& bytesRead) {
    DWORD read = 0;
    const BOOL ok = ReadFile(as<void>(file), buffer, size, &read, nullptr);
    bytesRead = ok ? read : 0;
    return ok ? ERROR_SUCCESS : lastErrorStatus();
}

ComStatus WindowsPlatform::coInitializeMultithreaded() { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

ComStatus WindowsPlatform::coInitializeSecurity() {
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                nullptr, EOAC_NONE, nullptr);
}

void WindowsPlatform::coUninitialize() { CoUninitialize(); }

ComStatus WindowsPlatform::createWbemLocator(ComHandle& locator) {
    void* created = nullptr;
    HRESULT hr = CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator, &created);
    locator = SUCCEEDED(hr) ? handleOf(created) : 0;
    return hr;
}

ComStatus WindowsPlatform::connectServer(ComHandle locator, const std::u16string& nameSpace, ComHandle& services) {
    Bstr path(nameSpace);
    IWbemServices* connected = nullptr;
    HRESULT hr = as<IWbemLocator>(locator)->ConnectServer(path.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                                          &connected);
    services = SUCCEEDED(hr) ? handleOf(connected) : 0;
    return hr;
}

ComStatus WindowsPlatform::setProxyBlanket(ComHandle services) {
    return CoSetProxyBlanket(as<IUnknown>(services), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                             RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

ComStatus WindowsPlatform::execQuery(ComHandle services, const std::u16string& query, ComHandle& enumerator) {
    Bstr language(u"WQL");
    Bstr text(query);
    IEnumWbemClassObject* results = nullptr;
    HRESULT hr = as<IWbemServices>(services)->ExecQuery(
        language.get(), text.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, &results);
    enumerator = SUCCEEDED(hr) ? handleOf(results) : 0;
    return hr;
}

ComStatus WindowsPlatform::nextObject(ComHandle enumerator, ComHandle& object, uint32_t& returned) {
    IWbemClassObject* next = nullptr;
    ULONG count = 0;
    HRESULT hr = as<IEnumWbemClassObject>(enumerator)->Next(WBEM_INFINITE, 1, &next, &count);
    returned = count;
    object = count != 0 ? handleOf(next) : 0;
    return hr;
}

ComStatus WindowsPlatform::getStringProperty(ComHandle object, const std::u16string& name, std::u16string& text,
                                             bool& isString) {
    Bstr property(name);
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = as<IWbemClassObject>(object)->Get(property.get(), 0, &value, nullptr, nullptr);
    isString = SUCCEEDED(hr) && value.vt == VT_BSTR && value.bstrVal != nullptr;
    if (isString) text.assign(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
    VariantClear(&value);
    return hr;
}

void WindowsPlatform::release(ComHandle object) { as<IUnknown>(object)->Release(); }

std::u16string WindowsPlatform::threadAnsiToWide(const std::string& text) {
    // The whole string through its terminator.
    int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), static_cast<int>(text.size()) + 1, nullptr, 0);
    if (length <= 0) return std::u16string();
    std::vector<wchar_t> wide(static_cast<size_t>(length));
    MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), static_cast<int>(text.size()) + 1, wide.data(), length);
    return std::u16string(reinterpret_cast<const char16_t*>(wide.data()));
}

std::string WindowsPlatform::wideToAnsi(const std::u16string& text) {
    if (text.empty()) return std::string();
    const wchar_t* source = reinterpret_cast<const wchar_t*>(text.data());
    int sourceLength = static_cast<int>(text.size());
    // Sized for the ANSI form: a double-byte character takes two bytes.
    int length = WideCharToMultiByte(CP_ACP, 0, source, sourceLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::vector<char> narrow(static_cast<size_t>(length) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, source, sourceLength, narrow.data(), length, nullptr, nullptr);
    return std::string(narrow.data());
}

std::u16string WindowsPlatform::utf8ToWide(const std::string& text) {
    if (text.empty()) return std::u16string();
    // The length is passed: a NUL inside the text is a character like any other.
    const int sourceLength = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), sourceLength, nullptr, 0);
    if (length <= 0) return std::u16string();
    std::u16string wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), sourceLength, reinterpret_cast<wchar_t*>(&wide[0]), length);
    return wide;
}

std::string WindowsPlatform::wideToAnsiExact(const std::u16string& text) {
    // No ANSI code page has characters beyond the Basic Multilingual Plane:
    // a surrogate pair is one character the code page lacks, a lone
    // surrogate is no character at all. Both become one '?' here, so that
    // the count does not depend on how a Windows version treats them.
    std::u16string source;
    source.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0xD800 || c > 0xDFFF) {
            source += c;
            continue;
        }
        if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        source += u'?';
    }
    if (source.empty()) return std::string();
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(source.data());
    const int sourceLength = static_cast<int>(source.size());
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, sourceLength, nullptr, 0, "?", nullptr);
    if (length <= 0) return std::string();
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, sourceLength, &narrow[0], length, "?", nullptr);
    return narrow;
}

std::unique_ptr<std::ostream> WindowsPlatform::openForAppend(const std::u16string& path) {
    return openResultFileInTurn(path);
}

bool WindowsPlatform::localCalendar(std::time_t when, std::tm& calendar) {
    return localtime_s(&calendar, &when) == 0;
}

void WindowsPlatform::pause() {
    // The command interpreter's own prompt, in the language of the user's Windows.
    std::system("pause");  // NOLINT(cert-env33-c)
}

}  // namespace orvex
