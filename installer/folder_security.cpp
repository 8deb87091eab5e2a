#include "installer/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// Rights that let a holder change what the folder holds or who may: writing entries, deleting
// them, changing attributes, the permissions or the owner.
const ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                 FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                 WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    std::vector<BYTE> bytes(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(bytes.size());
    if (!CreateWellKnownSid(type, nullptr, bytes.data(), &size)) {
        return std::vector<BYTE>();
    }
    bytes.resize(size);
    return bytes;
}

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) {
        return "(unknown)";
    }
    std::string result = text;
    LocalFree(text);
    return result;
}

bool IsAdminOrSystem(PSID sid) {
    return sid && (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
                   IsWellKnownSid(sid, WinLocalSystemSid));
}

}  // namespace

AdminOnlySecurity::AdminOnlySecurity() {
    administrators_.bytes = WellKnownSid(WinBuiltinAdministratorsSid);
    system_.bytes = WellKnownSid(WinLocalSystemSid);
    attributes_ = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), &descriptor_, FALSE};
    if (administrators_.bytes.empty() || system_.bytes.empty()) {
        return;
    }
    const DWORD aceBase = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    const DWORD size = sizeof(ACL) + aceBase * 2 + GetLengthSid(system_.data()) +
                       GetLengthSid(administrators_.data());
    dacl_.assign(size, 0);
    const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    valid_ =
        InitializeAcl(dacl(), size, ACL_REVISION) &&
        AddAccessAllowedAceEx(dacl(), ACL_REVISION, inherit, FILE_ALL_ACCESS, system_.data()) &&
        AddAccessAllowedAceEx(dacl(), ACL_REVISION, inherit, FILE_ALL_ACCESS,
                              administrators_.data()) &&
        InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorOwner(&descriptor_, administrators_.data(), FALSE) &&
        SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl(), FALSE) &&
        SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

bool SecurityIsAdminOnly(PSID owner, PACL dacl, std::string* why) {
    if (!IsAdminOrSystem(owner)) {
        *why = "owned by " + SidText(owner) + ", not by Administrators";
        return false;
    }
    if (!dacl) {
        *why = "no DACL: everyone may write";
        return false;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            *why = "unreadable DACL";
            return false;
        }
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            // Denying entries take nothing away from the check; any other allowing kind is
            // not one this folder should have.
            if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
                continue;
            }
            *why = "an unexpected entry of type " + std::to_string(header->AceType);
            return false;
        }
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (!IsAdminOrSystem(sid) && (allowed->Mask & kWriteRights) != 0) {
            char mask[16];
            std::snprintf(mask, sizeof mask, "0x%lx", static_cast<unsigned long>(allowed->Mask));
            *why = SidText(sid) + " may write (rights " + mask + ")";
            return false;
        }
    }
    return true;
}

bool FolderIsAdminOnly(HANDLE folder, std::string* why) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(folder, SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        *why = "its security cannot be read (error " + std::to_string(error) + ")";
        return false;
    }
    const bool adminOnly = SecurityIsAdminOnly(owner, dacl, why);
    LocalFree(descriptor);
    return adminOnly;
}

bool MakeFolderAdminOnly(HANDLE folder, const AdminOnlySecurity& security, std::string* why) {
    if (!security.valid()) {
        *why = "the security descriptor could not be built";
        return false;
    }
    const DWORD error =
        SetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                            PROTECTED_DACL_SECURITY_INFORMATION,
                        security.administrators(), nullptr, security.dacl(), nullptr);
    if (error != ERROR_SUCCESS) {
        *why = "its owner and DACL cannot be set (error " + std::to_string(error) + ")";
        return false;
    }
    return true;
}
