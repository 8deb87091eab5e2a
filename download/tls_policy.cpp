#include "download/tls_policy.h"

#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <schannel.h>
#include <wincrypt.h>

#ifndef CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL
#define CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL 0x80000000
#endif
#ifndef CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE
#define CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE 0x00000100
#endif

#include <cstdio>
#include <cstring>

#include "app/log.h"
#include "app/scoped_handles.h"
#include "app/system_library.h"

namespace {
const char kTag[] = "TlsPolicy";

using QueryContextAttributesFn = SECURITY_STATUS(WINAPI*)(PCtxtHandle, ULONG, void*);

bool SchemeIsHttps(const char* text) {
    return text && _strnicmp(text, "https", 5) == 0 && (text[5] == '\0' || text[5] == ':');
}

// Nothing but the local stores: no address the certificate names (missing issuers, revocation
// lists) is fetched, and no root list update, so a hostile certificate can neither make this
// process reach out nor hold the request past its time-out. Revocation is not looked at.
const DWORD kChainFlags =
    CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL | CERT_CHAIN_DISABLE_AUTH_ROOT_AUTO_UPDATE;

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", value);
    return text;
}

// The host of the address the handle is working on now (after any redirect).
std::string CurrentHost(CURL* handle) {
    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) {
        return std::string();
    }
    std::string host;
    CURLU* url = curl_url();
    char* part = nullptr;
    if (url && curl_url_set(url, CURLUPART_URL, effective, 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
        host = part;
        curl_free(part);
    }
    curl_url_cleanup(url);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return host;
}

std::string PolicyReason(DWORD error) {
    switch (error) {
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
            return "issued by a certificate authority this machine does not trust (" + Hex(error) +
                   ")";
        case static_cast<DWORD>(CERT_E_CHAINING):
            return "issued by a certificate authority this machine does not trust (no chain to "
                   "a trusted root, " +
                   Hex(error) + ")";
        case static_cast<DWORD>(CERT_E_EXPIRED):
            return "expired or not yet valid (" + Hex(error) + ")";
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
            return "issued for another host name (" + Hex(error) + ")";
        case static_cast<DWORD>(CRYPT_E_REVOKED):
            return "revoked (" + Hex(error) + ")";
        case static_cast<DWORD>(CERT_E_WRONG_USAGE):
            return "not issued for server authentication (" + Hex(error) + ")";
        case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE):
            return "bad signature in the chain (" + Hex(error) + ")";
        default:
            return "refused by the certificate policy (" + Hex(error) + ")";
    }
}

// The chain's own error bits that must never pass, whatever the policy answered.
std::string ChainReason(DWORD status) {
    if (status & CERT_TRUST_IS_REVOKED)
        return "revoked";
    if (status & CERT_TRUST_IS_NOT_TIME_VALID)
        return "expired or not yet valid";
    if (status & CERT_TRUST_IS_UNTRUSTED_ROOT)
        return "issued by a certificate authority this machine does not trust";
    if (status & CERT_TRUST_IS_PARTIAL_CHAIN)
        return "issued by a certificate authority this machine does not trust (no chain to a "
               "trusted root)";
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        return "bad signature in the chain";
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE)
        return "not issued for server authentication";
    return std::string();
}

std::string SubjectOf(PCCERT_CONTEXT cert) {
    char name[256] = "";
    CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    return name;
}

// Chain to a root in the Windows store, then the SSL policy with the host name.
void VerifyCertificate(PCCERT_CONTEXT cert, const std::string& host, PeerCheck* check) {
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    char* usages[] = {serverAuth};
    CERT_CHAIN_PARA para;
    std::memset(&para, 0, sizeof para);
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    ScopedCertChain chain;
    // The store of the server's certificate holds the intermediates it sent.
    if (!CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, kChainFlags,
                                 nullptr, chain.put()) ||
        !chain) {
        check->reason = "no certificate chain (" + Hex(GetLastError()) + ")";
        return;
    }
    std::wstring wideHost(host.begin(), host.end());  // host names are ASCII here
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl;
    std::memset(&ssl, 0, sizeof ssl);
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = &wideHost[0];
    CERT_CHAIN_POLICY_PARA policy;
    std::memset(&policy, 0, sizeof policy);
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status;
    std::memset(&status, 0, sizeof status);
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) {
        check->reason = "certificate policy not available (" + Hex(GetLastError()) + ")";
    } else if (status.dwError != 0) {
        check->reason = PolicyReason(status.dwError);
    } else {
        check->reason = ChainReason(chain->TrustStatus.dwErrorStatus);
        check->trusted = check->reason.empty();
    }
}

// libcurl calls this once the connection (with its TLS handshake) is made, before the request
// goes out: a refusal ends the transfer before any byte of an answer is read.
int OnBeforeRequest(void* handle, char*, char*, int, int) {
    std::string host;
    const PeerCheck check = CheckPeer(static_cast<CURL*>(handle), &host);
    if (check.trusted) {
        return CURL_PREREQFUNC_OK;
    }
    LogE(kTag, "certificate of ", host, " refused: ", check.reason,
         ", subject: ", check.subject.empty() ? std::string("none") : "\"" + check.subject + "\"");
    return CURL_PREREQFUNC_ABORT;
}
}  // namespace

void ApplyTlsPolicy(CURL* handle, const char* url) {
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // No revocation lookup by Schannel either: it would fetch, during the handshake and beyond
    // our time-out's reach, whatever addresses the server's certificate names.
    curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NO_REVOKE));
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &OnBeforeRequest);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, handle);
    // An https address is never redirected to plain http.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR,
                     SchemeIsHttps(url) ? "https" : "http,https");
}

PeerCheck CheckPeer(CURL* handle, std::string* host) {
    PeerCheck check;
    *host = CurrentHost(handle);
    char* scheme = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme) {
        check.reason = "the connection's scheme is unknown";
        return check;
    }
    if (_stricmp(scheme, "http") == 0) {
        check.trusted = true;  // plain http: nothing to check here
        return check;
    }
    if (!SchemeIsHttps(scheme)) {
        check.reason =
            "scheme \"" + std::string(scheme).substr(0, 16) + "\" is neither http nor https";
        return check;
    }
    curl_tlssessioninfo* session = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_TLS_SSL_PTR, &session) != CURLE_OK || !session ||
        session->backend != CURLSSLBACKEND_SCHANNEL || !session->internals) {
        check.reason = "no TLS session to check";
        return check;
    }
    ScopedLibrary secur32(LoadSystemLibrary(L"secur32.dll"));
    auto query = secur32.get() ? reinterpret_cast<QueryContextAttributesFn>(reinterpret_cast<void*>(
                                     GetProcAddress(secur32.get(), "QueryContextAttributesW")))
                               : nullptr;
    if (!query) {
        check.reason = "secur32 not available";
        return check;
    }
    ScopedCertContext cert;
    const SECURITY_STATUS got = query(static_cast<PCtxtHandle>(session->internals),
                                      SECPKG_ATTR_REMOTE_CERT_CONTEXT, cert.put());
    if (got != SEC_E_OK || !cert) {
        check.reason =
            "the server showed no certificate (" + Hex(static_cast<unsigned long>(got)) + ")";
        return check;
    }
    return CheckServerCertificate(cert.get(), *host);
}

PeerCheck CheckServerCertificate(PCCERT_CONTEXT cert, const std::string& host) {
    PeerCheck check;
    check.subject = SubjectOf(cert);
    if (host.empty()) {
        check.reason = "no host name to check";
    } else {
        VerifyCertificate(cert, host, &check);
    }
    return check;
}

bool ExplainTlsFailure(CURL* handle, CURLcode code) {
    switch (code) {
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            break;
        default:
            return false;
    }
    LogE(kTag, "TLS with ", CurrentHost(handle), " failed: ", curl_easy_strerror(code), " (code ",
         static_cast<int>(code), ")");
    return true;
}
