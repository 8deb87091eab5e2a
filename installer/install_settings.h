#pragma once
// Install-time settings of one run: the default install folder, the user-agreement page, and
// the setup package fetched from the remote configuration. The constructor does all the work
// and returns only with exactly one package entry (or never: the user may quit at the retry
// prompt, which ends the process); the window's start-up instead fetches on a worker thread
// (installer/config_fetch.h) through the attempt and prompt steps below. A build with a
// configuration key accepts only a configuration signed with it, for the channel of this run, not
// expired, and not older than one of that channel accepted before.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/config_channel.h"

namespace CurlEasy {
class BasicRequest;
}

struct PackageEntry {
    std::string address;          // URL of the setup package; contains "Setup.exe"
    std::string checksum;         // its MD5 as written in the configuration; never empty
    uint64_t installSizeMiB = 0;  // room the install takes, MiB; 0 when not named
};

// The configuration's `installsize`: whole MiB, 1 to 1048576 (1 TiB). Anything else (also an
// absent key) is 0, unknown, with a W line when something was written.
uint64_t ParseInstallSize(const std::string& text);

// Why the last fetch failed: no usable answer from the host (transport failure, an HTTP
// error), or an answer that was refused (form, signature, serial, expiry).
enum class ConfigFailure { Unreachable, Refused };

class InstallSettings {
public:
    // Asks the user whether to try again after a failed fetch, told why it failed; returns when
    // they chose to retry (quitting ends the process). The window shows its configuration
    // message box; a run without window decides by itself.
    using FailurePrompt = std::function<void(ConfigFailure)>;

    // The defaults only; the configuration is fetched by the caller, one attempt at a time.
    struct FetchLater {};
    explicit InstallSettings(FetchLater);
    InstallSettings(FetchLater, const std::string& configUrl, FailurePrompt prompt);
    // Fetches at once (retrying through the prompt) with the configured key and channel, or
    // (tests) with another configuration key (base64 DER public key; empty: the configuration
    // is not checked) and channel.
    InstallSettings(const std::string& configUrl, FailurePrompt prompt);
    InstallSettings(const std::string& configUrl, FailurePrompt prompt,
                    const std::string& configKey, ConfigChannel channel);

    const std::wstring& installPath() const { return installPath_; }
    void setInstallPath(const std::wstring& path) { installPath_ = path; }
    const std::wstring& agreementUrl() const { return agreementUrl_; }
    void setAgreementUrl(const std::wstring& url) { agreementUrl_ = url; }
    const std::vector<PackageEntry>& packages() const { return packages_; }

    // The agreement pages on the product's web site.
    static std::wstring AgreementUrl(bool chinese);

    // The steps of the fetch, for a caller that runs the attempts elsewhere. TryOnce may run on
    // any thread (nothing else may touch packages() meanwhile); the others on the thread that
    // may show the prompt.
    bool TryOnce();
    void PromptAfterFailure();  // returns when the user chose to retry
    void FetchDone();

private:
    void init();
    void SetDefaults();
    bool SignatureAccepted(CurlEasy::BasicRequest& request, const std::string& body);
    bool SignedContentAccepted(const std::string& channel, const std::string& serial,
                               const std::string& expires);

    std::wstring installPath_;
    std::wstring agreementUrl_;
    std::vector<PackageEntry> packages_;
    std::string configUrl_;
    FailurePrompt prompt_;
    std::string configKey_;
    ConfigChannel channel_;
    ConfigFailure lastFailure_ = ConfigFailure::Unreachable;
};
