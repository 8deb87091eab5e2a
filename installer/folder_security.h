#pragma once
// The security of the package folder: owner Administrators; SYSTEM and Administrators with full
// control, passed on to everything created inside; nothing inherited from the folders above (the
// DACL is protected). Nobody else may write there, so nobody else can plant or swap a file that
// this elevated process writes, checks or runs.
#include <windows.h>

#include <string>
#include <vector>

class AdminOnlySecurity {
public:
    AdminOnlySecurity();
    AdminOnlySecurity(const AdminOnlySecurity&) = delete;
    AdminOnlySecurity& operator=(const AdminOnlySecurity&) = delete;

    bool valid() const { return valid_; }
    PSECURITY_DESCRIPTOR descriptor() { return &descriptor_; }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }
    PSID administrators() const { return administrators_.data(); }
    PSID system() const { return system_.data(); }
    PACL dacl() const { return reinterpret_cast<PACL>(const_cast<BYTE*>(dacl_.data())); }

private:
    struct Sid {
        std::vector<BYTE> bytes;
        PSID data() const { return const_cast<BYTE*>(bytes.data()); }
    };
    Sid administrators_;
    Sid system_;
    std::vector<BYTE> dacl_;
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
    bool valid_ = false;
};

// True when a folder with this owner and DACL can be written by administrators and SYSTEM only:
// the owner is one of them and no allowing entry gives anyone else a right to write, delete,
// change the permissions or take ownership. A null DACL lets everyone do everything. Otherwise
// *why says what is wrong.
bool SecurityIsAdminOnly(PSID owner, PACL dacl, std::string* why);

// Reads the owner and DACL of an open folder (READ_CONTROL) and judges them as above.
bool FolderIsAdminOnly(HANDLE folder, std::string* why);

// Gives an open folder (WRITE_OWNER and WRITE_DAC) the admin-only owner and protected DACL.
// False, with *why, when the system refuses.
bool MakeFolderAdminOnly(HANDLE folder, const AdminOnlySecurity& security, std::string* why);
