// Makes the test prefix trust a certificate authority, as an administrator would on Windows:
// the DER certificate goes into the current user's "Root" system store through crypt32.
//   trust_root <certificate.der>
// Prints "trusted <subject>" and exits 0, or prints why not and exits 1.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: trust_root <certificate.der>\n");
        return 2;
    }
    HANDLE file =
        CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open the certificate (%lu)\n", GetLastError());
        return 1;
    }
    std::vector<BYTE> der(GetFileSize(file, nullptr));
    DWORD read = 0;
    const BOOL ok = ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != der.size()) {
        std::printf("cannot read the certificate\n");
        return 1;
    }
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!root) {
        std::printf("cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
        std::printf("not added (%lu)\n", GetLastError());
        CertCloseStore(root, 0);
        return 1;
    }
    char subject[256] = "";
    CertGetNameStringA(added, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, sizeof subject);
    std::printf("trusted %s\n", subject);
    CertFreeCertificateContext(added);
    CertCloseStore(root, 0);
    return 0;
}
