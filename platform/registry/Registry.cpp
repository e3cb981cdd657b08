#include "Registry.h"

#include "RegistryStore.h"
#include "Utf8.h"

#include <cstring>
#include <utility>

namespace dawnbell {

RegKey::RegKey(RegKey&& other) noexcept
    : hive_(other.hive_), id_(other.id_), path_(std::move(other.path_))
{
    other.Close();
}

RegKey& RegKey::operator=(RegKey&& other) noexcept
{
    if (this != &other) {
        hive_ = other.hive_;
        id_ = other.id_;
        path_ = std::move(other.path_);
        other.Close();
    }
    return *this;
}

RegResult RegKey::Open(Hive hive, std::string_view path, RegKey* out)
{
    return RegistryStore::Instance().OpenKey(hive, path, false, out);
}

RegResult RegKey::Create(Hive hive, std::string_view path, RegKey* out)
{
    return RegistryStore::Instance().OpenKey(hive, path, true, out);
}

RegResult RegKey::QueryValue(std::string_view name, RegType* type, std::vector<uint8_t>* data) const
{
    return RegistryStore::Instance().Query(*this, name, type, data);
}

RegResult RegKey::SetValue(std::string_view name, RegType type, const void* data, size_t size)
{
    return RegistryStore::Instance().Set(*this, name, type, data, size);
}

RegResult RegKey::DeleteValue(std::string_view name)
{
    return RegistryStore::Instance().Delete(*this, name);
}

RegResult RegKey::EnumKey(uint32_t index, std::string* name) const
{
    return RegistryStore::Instance().EnumKey(*this, index, name);
}

RegResult RegKey::EnumValue(uint32_t index, RegValue* value) const
{
    return RegistryStore::Instance().EnumValue(*this, index, value);
}

RegResult RegKey::ReadAllValues(std::vector<RegValue>* values) const
{
    return RegistryStore::Instance().AllValues(*this, values);
}

RegResult RegKey::QueryInfo(uint32_t* subkeys, uint32_t* values) const
{
    return RegistryStore::Instance().Info(*this, subkeys, values);
}

bool RegKey::ReadDword(std::string_view name, uint32_t* out) const
{
    RegType type;
    std::vector<uint8_t> data;
    if (QueryValue(name, &type, &data) != RegOk || type != RegType::Dword || data.size() != 4)
        return false;
    *out = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8)
        | (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    return true;
}

bool RegKey::ReadString(std::string_view name, std::u16string* out) const
{
    RegType type;
    std::vector<uint8_t> data;
    if (QueryValue(name, &type, &data) != RegOk || type != RegType::Sz)
        return false;
    return RegSzText(data, out);
}

bool RegKey::ReadBinary(std::string_view name, std::vector<uint8_t>* out) const
{
    RegType type;
    if (QueryValue(name, &type, out) != RegOk || type != RegType::Binary) {
        out->clear();
        return false;
    }
    return true;
}

RegResult RegKey::WriteDword(std::string_view name, uint32_t value)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetValue(name, RegType::Dword, bytes, 4);
}

RegResult RegKey::WriteString(std::string_view name, std::u16string_view text)
{
    const std::vector<uint8_t> bytes = RegSzBytes(text);
    return SetValue(name, RegType::Sz, bytes.data(), bytes.size());
}

RegResult RegKey::WriteBinary(std::string_view name, const std::vector<uint8_t>& bytes)
{
    return SetValue(name, RegType::Binary, bytes.data(), bytes.size());
}

RegResult RegDeleteTree(Hive hive, std::string_view path)
{
    return RegistryStore::Instance().DeleteTree(hive, path);
}

RegResult RegFlush(Hive)
{
    return RegistryStore::Instance().Flush();
}

uint64_t RegStoreChangeCount()
{
    return RegistryStore::Instance().ChangeCount();
}

void RegCloseStore()
{
    RegistryStore::Instance().Close();
}

void RegFailOperationForTesting(int operations, int code)
{
    RegistryStore::Instance().FailOperationForTesting(operations, code);
}

RegStoreStatus RegLastFault()
{
    return RegistryStore::Instance().LastFault();
}

std::string RegFaultText(const RegStoreStatus& status)
{
    const std::string file = "the registry file " + status.file;
    const std::string why = status.detail.empty() ? std::string() : " (" + status.detail + ")";
    switch (status.fault) {
    case RegFault::None:
        return std::string();
    case RegFault::Damaged:
        return file + " is damaged" + why;
    case RegFault::ReadOnly:
        return file + " is read-only: changes cannot be saved" + why;
    case RegFault::Full:
        return "the disk holding " + status.file + " is full: changes cannot be saved" + why;
    case RegFault::Busy:
        return file + " stayed locked by another program" + why;
    case RegFault::Unavailable:
        break;
    }
    return file + " cannot be used" + why;
}

RegStoreStatus RegCheckStore()
{
    return RegistryStore::Instance().Check();
}

bool RegSetStoreAside(std::string* copy, std::string* error)
{
    return RegistryStore::Instance().SetAside(copy, error);
}

void RegSetFaultObserver(std::function<void(const RegStoreStatus&)> observer)
{
    RegistryStore::Instance().SetFaultObserver(std::move(observer));
}

const char* RegHiveName(Hive hive)
{
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool RegSplitFullPath(std::string_view full, Hive* hive, std::string* path)
{
    while (!full.empty() && full.front() == '\\')
        full.remove_prefix(1);
    const size_t slash = full.find('\\');
    const std::string root = RegFoldName(full.substr(0, slash));
    if (root == "HKEY_CURRENT_USER" || root == "HKCU")
        *hive = Hive::CurrentUser;
    else if (root == "HKEY_LOCAL_MACHINE" || root == "HKLM")
        *hive = Hive::LocalMachine;
    else
        return false;
    *path = slash == std::string_view::npos ? std::string() : std::string(full.substr(slash + 1));
    while (!path->empty() && path->back() == '\\')
        path->pop_back();
    return true;
}

std::vector<uint8_t> RegSzBytes(std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool RegSzText(const std::vector<uint8_t>& data, std::u16string* text)
{
    if (data.size() % 2 != 0)
        return false;
    text->clear();
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0)
            break;
        text->push_back(c);
    }
    return true;
}

RegReadScope::RegReadScope()
{
    RegistryStore::Instance().BeginRead();
}

RegReadScope::~RegReadScope()
{
    RegistryStore::Instance().EndRead();
}

RegWriteBatch::RegWriteBatch()
{
    RegistryStore::Instance().BeginWrite();
}

RegWriteBatch::~RegWriteBatch()
{
    if (!ended_)
        RegistryStore::Instance().EndWrite(true);
}

RegResult RegWriteBatch::Commit()
{
    if (ended_)
        return RegInvalidHandle;
    ended_ = true;
    return RegistryStore::Instance().EndWrite(true);
}

void RegWriteBatch::Cancel()
{
    if (ended_)
        return;
    ended_ = true;
    RegistryStore::Instance().EndWrite(false);
}

} // namespace dawnbell
