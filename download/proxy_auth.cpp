#include "download/proxy_auth.h"

#include <windows.h>

#include "app/log.h"
#include "app/text_convert.h"

namespace {
const char kTag[] = "ProxyAuth";

// The schemes libcurl may answer with. Basic and Digest need a typed name and password;
// Negotiate and NTLM take SSPI's current logon when the user name is empty.
const unsigned long kLogonSchemes = CURLAUTH_NEGOTIATE | CURLAUTH_NTLM;
const unsigned long kTypedSchemes =
    CURLAUTH_NEGOTIATE | CURLAUTH_NTLM | CURLAUTH_DIGEST | CURLAUTH_BASIC;

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

void Wipe(std::string* text) {
    if (!text->empty()) {
        SecureZeroMemory(&(*text)[0], text->size());
    }
    text->clear();
}

void Wipe(std::wstring* text) {
    if (!text->empty()) {
        SecureZeroMemory(&(*text)[0], text->size() * sizeof(wchar_t));
    }
    text->clear();
}
}  // namespace

std::string ProxyHostPort(const std::string& proxy) {
    if (proxy.empty()) {
        return std::string();
    }
    std::string rest = proxy;
    const size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        rest.erase(0, scheme + 3);
    }
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const size_t at = rest.rfind('@');  // a name and password in the text are never kept
    if (at != std::string::npos) {
        rest.erase(0, at + 1);
    }
    const size_t bracket = rest.rfind(']');
    const size_t colon = rest.rfind(':');
    const bool hasPort =
        colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
    if (!hasPort) {
        rest += ":1080";
    }
    return Lower(rest);
}

std::string ProxySchemeNames(long schemes) {
    static const struct {
        unsigned long bit;
        const char* name;
    } kNames[] = {{CURLAUTH_BASIC, "Basic"},
                  {CURLAUTH_DIGEST, "Digest"},
                  {CURLAUTH_NTLM, "NTLM"},
                  {CURLAUTH_NEGOTIATE, "Negotiate"}};
    std::string text;
    for (const auto& name : kNames) {
        if (static_cast<unsigned long>(schemes) & name.bit) {
            text += (text.empty() ? "" : ", ") + std::string(name.name);
        }
    }
    return text.empty() ? "none" : text;
}

ProxyAuth::ProxyAuth(ProxyCredentialStore store) : store_(std::move(store)) {}

ProxyAuth& ProxyAuth::Process() {
    static ProxyAuth* instance = new ProxyAuth(WindowsProxyCredentialStore());  // never freed
    return *instance;
}

void ProxyAuth::SetPrompt(Prompt prompt) {
    AutoLock lock(lock_);
    prompt_ = std::move(prompt);
}

void ProxyAuth::Apply(CURL* handle, const std::string& proxy) {
    const std::string key = ProxyHostPort(proxy);
    AutoLock lock(lock_);
    if (key.empty()) {
        applied_.erase(handle);
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, static_cast<const char*>(nullptr));
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, static_cast<const char*>(nullptr));
        return;
    }
    const Entry& entry = entries_[key];
    applied_[handle] = entry.generation;
    if (entry.source == Source::Logon) {
        // An empty name: SSPI answers with the logon of this process.
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(kLogonSchemes));
        curl_easy_setopt(handle, CURLOPT_PROXYUSERPWD, ":");
        return;
    }
    curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(kTypedSchemes));
    curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, entry.user.c_str());  // libcurl copies
    curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, entry.password.c_str());
}

ProxyAuthNext ProxyAuth::After(CURL* handle, const std::string& proxy) {
    int applied = -1;
    {
        AutoLock lock(lock_);
        auto found = applied_.find(handle);
        if (found != applied_.end()) {
            applied = found->second;
            applied_.erase(found);
        }
    }
    const std::string key = ProxyHostPort(proxy);
    if (key.empty() || applied < 0) {
        return ProxyAuthNext::Done;
    }
    long tunnel = 0;
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_HTTP_CONNECTCODE, &tunnel);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (tunnel != 407 && status != 407) {
        if (tunnel != 0 || status != 0) {
            Confirm(key, applied);  // the proxy let the request through
        }
        return ProxyAuthNext::Done;
    }
    long offered = 0;
    curl_easy_getinfo(handle, CURLINFO_PROXYAUTH_AVAIL, &offered);
    return Decide(key, applied, offered);
}

void ProxyAuth::Confirm(const std::string& key, int applied) {
    ProxyCredentials save;
    {
        AutoLock lock(lock_);
        auto found = entries_.find(key);
        if (found == entries_.end() || found->second.generation != applied ||
            found->second.confirmed) {
            return;
        }
        Entry& entry = found->second;
        entry.confirmed = true;
        if (entry.source != Source::Typed) {
            return;
        }
        if (entry.remember) {
            save = entry.typed;
        }
        Wipe(&entry.typed.password);
    }
    LogI(kTag, "proxy ", key, " accepted the typed credentials");
    if (!save.user.empty() && store_.write) {
        store_.write(key, save);
        LogI(kTag, "credentials for proxy ", key, " saved in the Credential Manager");
    }
    Wipe(&save.password);
}

void ProxyAuth::Use(Entry* entry, Source source, const ProxyCredentials& credentials) {
    Wipe(&entry->password);
    Wipe(&entry->typed.password);
    entry->source = source;
    entry->user = WideToUtf8(credentials.user);
    entry->password = WideToUtf8(credentials.password);
    entry->remember = source == Source::Typed && credentials.remember;
    entry->confirmed = false;
    if (entry->remember) {
        entry->typed = credentials;
    }
    ++entry->generation;
}

ProxyAuthNext ProxyAuth::Decide(const std::string& key, int applied, long offered) {
    AutoLock decision(decisionLock_);
    Source source;
    std::wstring refusedUser;
    Prompt prompt;
    {
        AutoLock lock(lock_);
        Entry& entry = entries_[key];
        if (entry.generation != applied) {
            return ProxyAuthNext::Again;  // another request has new credentials meanwhile
        }
        source = entry.source;
        if (source == Source::Saved) {
            refusedUser = Utf8ToWide(entry.user);
        }
        if (!prompted_) {
            prompt = prompt_;
        }
    }
    const std::string schemes = ProxySchemeNames(offered);
    static const char* const kSourceNames[] = {"the Windows logon", "the saved credentials",
                                               "the typed credentials"};
    LogW(kTag, "proxy ", key, " asks who we are (HTTP 407), offering ", schemes, "; ",
         kSourceNames[static_cast<int>(source)],
         source == Source::Logon && !(static_cast<unsigned long>(offered) & kLogonSchemes)
             ? " cannot answer those"
             : " did not do");

    if (source == Source::Logon && store_.read) {
        ProxyCredentials saved;
        if (store_.read(key, &saved) && !saved.user.empty()) {
            LogI(kTag, "using the credentials saved for proxy ", key);
            AutoLock lock(lock_);
            Use(&entries_[key], Source::Saved, saved);
            Wipe(&saved.password);
            return ProxyAuthNext::Again;
        }
    }
    if (prompt) {
        {
            AutoLock lock(lock_);
            prompted_ = true;  // once per run, whatever the answer
        }
        ProxyChallenge challenge;
        challenge.proxy = key;
        challenge.schemes = schemes;
        challenge.user = refusedUser;
        ProxyCredentials typed;
        const bool given = prompt(challenge, &typed);
        if (given && !typed.user.empty()) {
            // The name helps whoever reads the log; the password never appears.
            LogI(kTag, "credentials typed for proxy ", key, ", user \"",
                 WideToUtf8(typed.user).substr(0, 64), "\"", typed.remember ? ", to be saved" : "");
            AutoLock lock(lock_);
            Use(&entries_[key], Source::Typed, typed);
            Wipe(&typed.password);
            return ProxyAuthNext::Again;
        }
        Wipe(&typed.password);
        LogW(kTag, "the credential prompt for proxy ", key, " was cancelled");
    }
    AutoLock lock(lock_);
    if (!refused_) {
        refused_ = true;
        refusedText_ = "proxy " + key + " requires authentication (HTTP 407), offering " + schemes;
    }
    LogE(kTag, "proxy ", key, " refuses the request: authentication required, offering ", schemes);
    return ProxyAuthNext::Refused;
}

bool ProxyAuth::Refused() const {
    AutoLock lock(lock_);
    return refused_;
}

std::string ProxyAuth::RefusedText() const {
    AutoLock lock(lock_);
    return refusedText_;
}
