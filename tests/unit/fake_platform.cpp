#include "fake_platform.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace orvex::testing {

namespace {

std::string rootName(RegRoot root) {
    switch (root) {
    case RegRoot::LocalMachine: return "HKLM";
    case RegRoot::ClassesRoot: return "HKCR";
    case RegRoot::Users: break;
    }
    return "HKU";
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

}  // namespace

std::string FakePlatform::fold(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

std::string FakePlatform::keyId(RegRoot root, const std::string& path) const {
    return rootName(root) + "\\" + fold(path);
}

FakePlatform::Key& FakePlatform::keyAt(RegRoot root, const std::string& path) {
    addKey(root, path);
    return keys_[keyId(root, path)];
}

void FakePlatform::addKey(RegRoot root, const std::string& path) {
    keys_[keyId(root, "")];
    std::string sofar;
    for (const std::string& part : components(path)) {
        std::string parent = sofar;
        sofar = sofar.empty() ? part : sofar + "\\" + part;
        if (keys_.count(keyId(root, sofar)) == 0) {
            keys_[keyId(root, sofar)];
            keys_[keyId(root, parent)].subkeyNames.push_back(part);
        }
    }
}

void FakePlatform::removeKey(RegRoot root, const std::string& path) {
    const std::string id = keyId(root, path);
    for (auto it = keys_.begin(); it != keys_.end();)
        it = (it->first == id || it->first.rfind(id + "\\", 0) == 0) ? keys_.erase(it) : std::next(it);
    auto parts = components(path);
    std::string last = parts.back();
    parts.pop_back();
    std::string parent;
    for (auto& p : parts) parent = parent.empty() ? p : parent + "\\" + p;
    auto found = keys_.find(keyId(root, parent));
    if (found != keys_.end()) {
        auto& names = found->second.subkeyNames;
        names.erase(std::remove_if(names.begin(), names.end(), [&](const std::string& n) { return fold(n) == fold(last); }),
                    names.end());
    }
}

void FakePlatform::setValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
                            std::vector<unsigned char> data) {
    keyAt(root, path).values[fold(name)] = Value{type, std::move(data)};
}

void FakePlatform::setString(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
                             uint32_t type) {
    std::vector<unsigned char> data(text.begin(), text.end());
    data.push_back(0);
    setValue(root, path, name, type, std::move(data));
}

void FakePlatform::setDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value) {
    std::vector<unsigned char> data(4);
    std::memcpy(data.data(), &value, 4);
    setValue(root, path, name, kRegDword, std::move(data));
}

void FakePlatform::setBinary(RegRoot root, const std::string& path, const std::string& name,
                             std::vector<unsigned char> data) {
    setValue(root, path, name, kRegBinary, std::move(data));
}

long FakePlatform::regOpenKey(RegRoot root, const std::string& subkey, uint32_t access, RegHandle& key) {
    openAccessMasks.push_back(access);
    key = 0;
    // Like Windows: a leading backslash names no key; one trailing backslash is ignored.
    if (!subkey.empty() && subkey.front() == '\\') return kErrorFileNotFound;
    std::string path = subkey;
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (keys_.count(keyId(root, path)) == 0) return kErrorFileNotFound;
    key = nextHandle_++;
    openRegHandles_[key] = keyId(root, path);
    return kErrorSuccess;
}

long FakePlatform::regQueryValue(RegHandle key, const std::string& valueName, uint32_t* type, unsigned char* data,
                                 uint32_t* dataSize) {
    auto open = openRegHandles_.find(key);
    if (open == openRegHandles_.end()) return 6;  // ERROR_INVALID_HANDLE
    Key& k = keys_[open->second];
    auto found = k.values.find(fold(valueName));
    if (found == k.values.end()) return kErrorFileNotFound;
    const Value& value = found->second;
    if (type) *type = value.type;
    const uint32_t size = static_cast<uint32_t>(value.data.size());
    if (data == nullptr) {
        if (dataSize) *dataSize = size;
        return kErrorSuccess;
    }
    if (dataSize == nullptr) return 87;  // ERROR_INVALID_PARAMETER
    if (*dataSize < size) {
        *dataSize = size;
        return kErrorMoreData;
    }
    std::copy(value.data.begin(), value.data.end(), data);
    *dataSize = size;
    return kErrorSuccess;
}

long FakePlatform::regEnumKey(RegHandle key, uint32_t index, char* name, uint32_t* nameChars) {
    auto open = openRegHandles_.find(key);
    if (open == openRegHandles_.end()) return 6;
    const Key& k = keys_[open->second];
    if (index >= k.subkeyNames.size()) return enumEndStatus;
    const std::string& subkey = k.subkeyNames[index];
    if (subkey.size() + 1 > *nameChars) return kErrorMoreData;
    std::memcpy(name, subkey.c_str(), subkey.size() + 1);
    *nameChars = static_cast<uint32_t>(subkey.size());
    return kErrorSuccess;
}

void FakePlatform::regCloseKey(RegHandle key) {
    calls.push_back("RegCloseKey");
    openRegHandles_.erase(key);
}

ScHandle FakePlatform::openScManager(uint32_t access) {
    calls.push_back("OpenSCManager(" + std::to_string(access) + ")");
    if (!scManagerOpens) return 0;
    ScHandle handle = nextHandle_++;
    openScHandles_[handle] = "manager";
    return handle;
}

ScHandle FakePlatform::openService(ScHandle manager, const std::string& name, uint32_t access) {
    calls.push_back("OpenService(" + name + "," + std::to_string(access) + ")");
    if (openScHandles_.count(manager) == 0 || services.count(name) == 0) return 0;
    ScHandle handle = nextHandle_++;
    openScHandles_[handle] = "service";
    serviceNames_[handle] = name;
    return handle;
}

bool FakePlatform::queryServiceState(ScHandle service, uint32_t& currentState) {
    calls.push_back("QueryServiceStatus");
    if (serviceQueryFails || serviceNames_.count(service) == 0) return false;
    currentState = services[serviceNames_[service]];
    return true;
}

void FakePlatform::closeServiceHandle(ScHandle handle) {
    auto found = openScHandles_.find(handle);
    calls.push_back("CloseServiceHandle(" + (found == openScHandles_.end() ? std::string("?") : found->second) + ")");
    if (found != openScHandles_.end()) openScHandles_.erase(found);
}

bool FakePlatform::getComputerName(char* buffer, uint32_t& size) {
    if (!computerName || computerName->size() + 1 > size) return false;
    std::memcpy(buffer, computerName->c_str(), computerName->size() + 1);
    size = static_cast<uint32_t>(computerName->size());
    return true;
}

ModuleHandle FakePlatform::loadLibrary(const std::string& name) {
    calls.push_back("LoadLibrary(" + name + ")");
    return ntdllLoads ? 0x7700 : 0;
}

ProcHandle FakePlatform::getProcAddress(ModuleHandle, const std::string& name) {
    calls.push_back("GetProcAddress(" + name + ")");
    return hasRtlGetVersion ? 0x7701 : 0;
}

void FakePlatform::callRtlGetVersion(ProcHandle, RtlOsVersion& info) {
    calls.push_back("RtlGetVersion");
    info = osVersion;
}

void FakePlatform::freeLibrary(ModuleHandle) { calls.push_back("FreeLibrary"); }

bool FakePlatform::isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool FakePlatform::getLocalAppDataFolder(char* buffer) {
    if (!localAppData || localAppData->size() >= 260) return false;
    std::memcpy(buffer, localAppData->c_str(), localAppData->size() + 1);
    return true;
}

bool FakePlatform::pathFileExists(const std::string& path) {
    pathsTested.push_back(path);
    for (const std::string& existing : existingPaths)
        if (fold(existing) == fold(path)) return true;
    return false;
}

FileHandle FakePlatform::openFileForRead(const std::string& path, FileView view) {
    fileViews.push_back(view);
    auto found = files.find(path);
    if (found == files.end() || !found->second.opens) return 0;
    FileHandle handle = nextHandle_++;
    openFileHandles_[handle] = path;
    return handle;
}

bool FakePlatform::getFileLastWriteTime(FileHandle file, uint64_t& lastWrite) {
    auto open = openFileHandles_.find(file);
    if (open == openFileHandles_.end()) return false;
    const File& f = files[open->second];
    if (!f.timesReadable) return false;
    lastWrite = f.lastWrite;
    return true;
}

void FakePlatform::closeFile(FileHandle file) {
    calls.push_back("CloseHandle");
    openFileHandles_.erase(file);
    readPositions_.erase(file);
}

long FakePlatform::openFileShared(const std::string& path, FileHandle& file) {
    calls.push_back("CreateFile(" + path + ")");
    file = 0;
    auto found = files.find(path);
    if (found == files.end()) return kErrorFileNotFound;
    if (!found->second.opens) return 5;  // ERROR_ACCESS_DENIED
    file = nextHandle_++;
    openFileHandles_[file] = path;
    readPositions_[file] = 0;
    return kErrorSuccess;
}

long FakePlatform::readFile(FileHandle file, char* buffer, uint32_t size, uint32_t& read) {
    read = 0;
    auto open = openFileHandles_.find(file);
    if (open == openFileHandles_.end()) return 6;  // ERROR_INVALID_HANDLE
    const File& f = files[open->second];
    uint64_t& position = readPositions_[file];
    const uint64_t total = f.content.size() + f.sparseTail;
    uint64_t count = std::min<uint64_t>(size, total - std::min(position, total));
    if (f.bytesPerRead != 0) count = std::min<uint64_t>(count, f.bytesPerRead);
    if (f.readFailsAt && count != 0 && position + count > *f.readFailsAt) return 23;  // ERROR_CRC
    for (uint64_t i = 0; i < count; ++i, ++position)
        buffer[i] = position < f.content.size() ? f.content[static_cast<std::size_t>(position)] : '\0';
    read = static_cast<uint32_t>(count);
    bytesRead += count;
    return kErrorSuccess;
}

bool FakePlatform::fileTimeToLocalFileTime(uint64_t fileTime, uint64_t& localTime) {
    if (localConversionFails) return false;
    localTime = static_cast<uint64_t>(static_cast<int64_t>(fileTime) + localBias);
    return true;
}

bool FakePlatform::fileTimeToSystemTime(uint64_t fileTime, CalendarTime& time) {
    if (systemConversionFails) return false;
    // Days since 1601-01-01 to a civil date (proleptic Gregorian).
    uint64_t ticks = fileTime;
    time.milliseconds = static_cast<uint16_t>((ticks / 10000) % 1000);
    uint64_t seconds = ticks / 10000000;
    time.second = static_cast<uint16_t>(seconds % 60);
    time.minute = static_cast<uint16_t>((seconds / 60) % 60);
    time.hour = static_cast<uint16_t>((seconds / 3600) % 24);
    int64_t days = static_cast<int64_t>(seconds / 86400) - 134774;  // to days since 1970-01-01
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t doe = days - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    time.year = static_cast<uint16_t>(y);
    time.month = static_cast<uint16_t>(m);
    time.day = static_cast<uint16_t>(d);
    return true;
}

ComStatus FakePlatform::coInitializeMultithreaded() {
    calls.push_back("CoInitializeEx");
    return initializeResult;
}

ComStatus FakePlatform::coInitializeSecurity() {
    calls.push_back("CoInitializeSecurity");
    return securityResult;
}

void FakePlatform::coUninitialize() { calls.push_back("CoUninitialize"); }

ComStatus FakePlatform::createWbemLocator(ComHandle& locator) {
    calls.push_back("CoCreateInstance");
    locator = 0;
    if (locatorResult < 0) return locatorResult;
    locator = nextHandle_++;
    liveCom_[locator] = "locator";
    return locatorResult;
}

ComStatus FakePlatform::connectServer(ComHandle, const std::u16string& nameSpace, ComHandle& services) {
    calls.push_back("ConnectServer");
    wmiNamespaces.push_back(nameSpace);
    services = 0;
    if (connectResult < 0) return connectResult;
    services = nextHandle_++;
    liveCom_[services] = "services";
    return connectResult;
}

ComStatus FakePlatform::setProxyBlanket(ComHandle) {
    calls.push_back("CoSetProxyBlanket");
    return blanketResult;
}

ComStatus FakePlatform::execQuery(ComHandle, const std::u16string& query, ComHandle& enumerator) {
    calls.push_back("ExecQuery");
    wmiQueries.push_back(query);
    enumerator = 0;
    if (queryResult < 0) return queryResult;
    enumerator = nextHandle_++;
    liveCom_[enumerator] = "enumerator";
    nextObject_ = 0;
    return queryResult;
}

ComStatus FakePlatform::nextObject(ComHandle, ComHandle& object, uint32_t& returned) {
    calls.push_back("Next");
    object = 0;
    returned = 0;
    if (nextObject_ >= wmiObjects.size()) return 1;  // WBEM_S_FALSE
    object = nextHandle_++;
    liveCom_[object] = "object" + std::to_string(nextObject_);
    returned = 1;
    ++nextObject_;
    return 0;
}

ComStatus FakePlatform::getStringProperty(ComHandle object, const std::u16string& name, std::u16string& text,
                                          bool& isString) {
    calls.push_back("Get");
    wmiPropertyNames.push_back(name);
    isString = false;
    if (getResult < 0) return getResult;
    const std::string& role = liveCom_[object];
    std::size_t index = role.rfind("object", 0) == 0 ? std::stoul(role.substr(6)) : 0;
    if (index < wmiObjects.size() && wmiObjects[index]) {
        text = *wmiObjects[index];
        isString = true;
    }
    return getResult;
}

void FakePlatform::release(ComHandle object) {
    auto found = liveCom_.find(object);
    calls.push_back("Release(" + (found == liveCom_.end() ? std::string("?") : found->second) + ")");
    if (found != liveCom_.end()) liveCom_.erase(found);
}

std::u16string FakePlatform::threadAnsiToWide(const std::string& text) {
    std::u16string wide;
    for (unsigned char c : text) wide += static_cast<char16_t>(c);
    return wide;
}

std::string FakePlatform::wideToAnsi(const std::u16string& text) {
    std::string narrow;
    for (char16_t c : text) {
        if (c < 0x80) {
            narrow += static_cast<char>(c);
        } else {
            auto found = ansiOf.find(c);
            narrow += found != ansiOf.end() ? found->second : std::string("?");
        }
    }
    return narrow;
}

std::u16string FakePlatform::utf8ToWide(const std::string& text) {
    // Enough of UTF-8 for the tests: sequences of up to three bytes; anything
    // else (a stray byte, a cut or four-byte sequence) is U+FFFD per byte.
    std::u16string wide;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 0;
        bool whole = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (!whole) {
            wide += u'\uFFFD';
            ++i;
            continue;
        }
        char16_t code = length == 1 ? c : length == 2 ? (c & 0x1F) : (c & 0x0F);
        for (std::size_t k = 1; k < length; ++k)
            code = static_cast<char16_t>((code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F));
        wide += code;
        i += length;
    }
    return wide;
}

std::string FakePlatform::wideToAnsiExact(const std::u16string& text) {
    // As wideToAnsi, but a character without an entry in ansiOf is always '?'.
    return wideToAnsi(text);
}

namespace {

// Appends everything written to one string of the fake.
class AppendBuffer : public std::streambuf {
public:
    explicit AppendBuffer(std::string& target) : target_(target) {}

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) target_ += traits_type::to_char_type(c);
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* data, std::streamsize size) override {
        target_.append(data, static_cast<std::size_t>(size));
        return size;
    }

private:
    std::string& target_;
};

class AppendStream : public std::ostream {
public:
    explicit AppendStream(std::string& target) : std::ostream(nullptr), buffer_(target) { rdbuf(&buffer_); }

private:
    AppendBuffer buffer_;
};

}  // namespace

std::unique_ptr<std::ostream> FakePlatform::openForAppend(const std::u16string& path) {
    calls.push_back("openForAppend");
    if (unopenable.count(path) != 0) return nullptr;
    return std::make_unique<AppendStream>(appended[path]);
}

bool FakePlatform::localCalendar(std::time_t when, std::tm& calendar) {
    const std::time_t local = when + static_cast<std::time_t>(localBias / 10000000);
    const std::tm* utc = std::gmtime(&local);
    if (utc == nullptr) return false;
    calendar = *utc;
    return true;
}

}  // namespace orvex::testing
