#pragma once
// The answer to a proxy that asks who we are (HTTP 407). Every request through a proxy first
// offers the process's own Windows logon (Negotiate or NTLM through SSPI, whichever the proxy
// offers); when the proxy refuses it or wants Basic or Digest, the credentials saved for that
// proxy are used; failing those, an interactive run asks the user once per run. Credentials
// live in memory and in the Windows Credential Manager only: never in the log or a file.
#include <curl/curl.h>

#include <functional>
#include <map>
#include <string>

#include "app/scoped_handles.h"

struct ProxyCredentials {
    std::wstring user;
    std::wstring password;
    bool remember = false;  // saved for the proxy once the proxy accepts them
};

// What the user is told when asked.
struct ProxyChallenge {
    std::string proxy;    // "host:port"
    std::string schemes;  // what the proxy offered, "Basic, NTLM"
    std::wstring user;    // a name to start from (the saved one that was refused), or ""
};

// Where remembered credentials live; the Windows Credential Manager by default.
struct ProxyCredentialStore {
    std::function<bool(const std::string& proxy, ProxyCredentials* out)> read;
    std::function<void(const std::string& proxy, const ProxyCredentials& credentials)> write;
};

enum class ProxyAuthNext {
    Done,     // the answer was not a proxy's 407: judge it as usual
    Again,    // other credentials are set for the proxy: perform the request again
    Refused,  // the proxy still refuses and nothing else can be tried in this run
};

class ProxyAuth {
public:
    // True with credentials filled in; false for Cancel.
    using Prompt = std::function<bool(const ProxyChallenge& challenge, ProxyCredentials* out)>;

    explicit ProxyAuth(ProxyCredentialStore store);
    ProxyAuth(const ProxyAuth&) = delete;
    ProxyAuth& operator=(const ProxyAuth&) = delete;

    // An interactive run asks through prompt; without one (a silent run) nobody is asked.
    void SetPrompt(Prompt prompt);

    // Sets the handle's proxy authentication for proxy (libcurl's proxy text, "" when the
    // request goes direct). Call before each perform.
    void Apply(CURL* handle, const std::string& proxy);

    // After a perform of a handle set up by Apply: whether the proxy refused it, and whether
    // performing it again may help. May ask the user (and wait for the answer).
    ProxyAuthNext After(CURL* handle, const std::string& proxy);

    // Whether a proxy refused a request for good, and the log's words for it.
    bool Refused() const;
    std::string RefusedText() const;

    // The process's one instance, with the Windows Credential Manager.
    static ProxyAuth& Process();

private:
    enum class Source { Logon, Saved, Typed };
    struct Entry {
        Source source = Source::Logon;
        int generation = 0;  // grows with each change of credentials
        std::string user;    // UTF-8, as libcurl sends them
        std::string password;
        bool remember = false;
        bool confirmed = false;  // the proxy took them (and they were saved when wanted)
        ProxyCredentials typed;  // kept for saving until the proxy took them
    };

    ProxyAuthNext Decide(const std::string& key, int applied, long offered);
    void Use(Entry* entry, Source source, const ProxyCredentials& credentials);
    void Confirm(const std::string& key, int applied);

    ProxyCredentialStore store_;
    CriticalSection decisionLock_;  // one 407 handled at a time: the prompt comes once
    mutable CriticalSection lock_;  // guards the members below
    Prompt prompt_;
    bool prompted_ = false;
    bool refused_ = false;
    std::string refusedText_;
    std::map<std::string, Entry> entries_;  // by "host:port" of the proxy
    std::map<CURL*, int> applied_;          // the generation each handle was last set up with
};

// "host:port" of a libcurl proxy text ("http://user@host:8080/" -> "host:8080"); libcurl's
// default port 1080 when none is named. "" for "".
std::string ProxyHostPort(const std::string& proxy);

// "Basic, Digest, NTLM, Negotiate" for libcurl's CURLAUTH_ bits; "none" for 0.
std::string ProxySchemeNames(long schemes);

// The Windows Credential Manager's generic credential "Velmora proxy <host:port>" of the user.
ProxyCredentialStore WindowsProxyCredentialStore();
