#pragma once
// What every request of the installer demands of an https peer. libcurl's own switches stay on
// (certificate and host-name checks, no revocation lookup) so that Schannel checks on
// Windows; and before the request is sent, our own code checks the certificate the server
// showed against the Windows certificate store and the host name of the address. The second
// check is the one that works where Schannel checks nothing (Wine) and the one that writes a
// clear log line. Plain http addresses are left alone; a connection whose scheme cannot be
// told is refused. Our check builds the chain from the local stores only (no missing issuer,
// no revocation list is fetched from the addresses a certificate names), and Schannel is told
// to look up no revocation either.
#include <windows.h>
#include <wincrypt.h>

#include <curl/curl.h>

#include <string>

// Sets the checks on a handle whose address is url (set before perform). With an https url,
// redirects are followed only to https addresses.
void ApplyTlsPolicy(CURL* handle, const char* url);

// The answer of the certificate check for one host.
struct PeerCheck {
    bool trusted = false;
    std::string reason;   // why not, e.g. "untrusted root (0x800b0109)"; empty when trusted
    std::string subject;  // the certificate's subject, empty when there was none
};

// Checks the peer certificate of the TLS connection behind the handle (called from libcurl's
// pre-request callback). A plain http connection passes unchecked; one whose scheme is unknown
// (or not yet made) or neither http nor https is refused.
PeerCheck CheckPeer(CURL* handle, std::string* host);

// Checks a server certificate for host: a chain to a root of the machine's stores, built from
// those stores and the certificate's own store (the intermediates the server sent) only, for
// server authentication, then the SSL policy with the host name.
PeerCheck CheckServerCertificate(PCCERT_CONTEXT cert, const std::string& host);

// Whether libcurl's result is a failure of the TLS handshake or of Schannel's certificate check;
// then logs an E line with the host and libcurl's reason. Returns false (and logs nothing) for
// every other result.
bool ExplainTlsFailure(CURL* handle, CURLcode code);
