#include "installer/install_settings.h"

#include <windows.h>

#include <stdexcept>

#include "app/text_convert.h"
#include "app/config_selection.h"
#include "app/ini_reader.h"
#include "app/log.h"
#include "download/curl_easy.h"
#include "installer/accepted_serial.h"
#include "installer/config_freshness.h"
#include "installer/config_signature.h"
#include "installer/msg_box.h"

namespace {
const char kTag[] = "InstallSettings";
}  // namespace

std::wstring InstallSettings::AgreementUrl(bool chinese) {
    return L"http://" + WidenBytes(VELMORA_WEB_HOST) +
           (chinese ? L"/test/xkxy.html" : L"/test/xkxy_en.html");
}

InstallSettings::InstallSettings(FetchLater later)
    : InstallSettings(later, GetConfigSelection().configUrl,
                      [](ConfigFailure) { ShowConfigFailedBox(); }) {}

InstallSettings::InstallSettings(FetchLater, const std::string& configUrl, FailurePrompt prompt)
    : configUrl_(configUrl),
      prompt_(std::move(prompt)),
      configKey_(ConfiguredConfigKey()),
      channel_(SelectedChannel()) {
    SetDefaults();
}

InstallSettings::InstallSettings(const std::string& configUrl, FailurePrompt prompt)
    : InstallSettings(configUrl, std::move(prompt), ConfiguredConfigKey(), SelectedChannel()) {}

InstallSettings::InstallSettings(const std::string& configUrl, FailurePrompt prompt,
                                 const std::string& configKey, ConfigChannel channel)
    : configUrl_(configUrl), prompt_(std::move(prompt)), configKey_(configKey), channel_(channel) {
    init();
}

// The signature lies beside the configuration (its address + ".sig") and covers the exact bytes
// served, byte order mark included; it is checked before anything reads them.
bool InstallSettings::SignatureAccepted(CurlEasy::BasicRequest& request, const std::string& body) {
    const std::string signatureUrl = configUrl_ + ".sig";
    LogT(kTag, "request signature from ", signatureUrl, " ...");
    const CurlEasy::Response signature = request.perform(signatureUrl);
    if (signature.code != 200 || signature.body.empty()) {
        LogE(kTag, "configuration refused: no signature at ", signatureUrl, " (HTTP ",
             signature.code, ")");
        return false;
    }
    const ConfigKeyCheck check = VerifyConfigSignature(body, signature.body, configKey_);
    if (!check.ok) {
        LogE(kTag, "configuration refused: bad signature: ", check.reason);
        return false;
    }
    return true;
}

// What the signed [full] section says about itself: its channel, then its age against the
// highest serial accepted for that channel. Only a configuration that passes raises that serial.
bool InstallSettings::SignedContentAccepted(const std::string& channel, const std::string& serial,
                                            const std::string& expires) {
    const std::string wrongChannel = ChannelRefusal(channel, channel_);
    if (!wrongChannel.empty()) {
        LogE(kTag, "configuration refused: ", wrongChannel);
        return false;
    }
    const uint64_t accepted = ReadAcceptedSerial(channel_);
    SYSTEMTIME now;
    GetSystemTime(&now);
    const Freshness fresh = CheckFreshness(serial, expires, accepted, now);
    if (!fresh.ok) {
        LogE(kTag, "configuration refused: ", fresh.reason);
        return false;
    }
    LogI(kTag, "configuration signed, channel=", channel, ", serial=", fresh.serial,
         ", expires=", expires);
    if (fresh.serial > accepted) {
        StoreAcceptedSerial(channel_, fresh.serial);
    }
    return true;
}

void InstallSettings::init() {
    SetDefaults();
    while (!TryOnce()) {
        PromptAfterFailure();
    }
    FetchDone();
}

void InstallSettings::SetDefaults() {
    LogT(kTag, "init()");
    wchar_t windows[MAX_PATH];
    wchar_t drive = L'C';
    if (GetWindowsDirectoryW(windows, MAX_PATH) > 0) {
        drive = windows[0];
    }
    installPath_ = std::wstring(1, drive) + L":\\Program Files";
    OutputDebugStringW((installPath_ + L"\n").c_str());
    LogT(kTag, "install path: ", NarrowUnits(installPath_));
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
        info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64) {
        installPath_ += L" (x86)";
    }
    agreementUrl_ = AgreementUrl(true);
}

void InstallSettings::PromptAfterFailure() {
    LogW(kTag, "Request download url failed!");
    prompt_(lastFailure_);
    LogI(kTag, "Request download url failed, re-try.");
}

void InstallSettings::FetchDone() {
    LogT(kTag, "~init()");
}

bool InstallSettings::TryOnce() {
    packages_.clear();
    lastFailure_ = ConfigFailure::Unreachable;
    LogT(kTag, "request config from ", configUrl_, " ...");
    try {
        CurlEasy::BasicRequest request;
        const CurlEasy::Response response = request.perform(configUrl_);
        std::string body = response.body;
        // From here on a failure is the answer's own: the host was reached and answered.
        if (response.code >= 200 && response.code < 300 && !body.empty()) {
            lastFailure_ = ConfigFailure::Refused;
        }
        // An empty body (a failed transfer) fails the format check below; nothing to verify.
        if (!configKey_.empty() && !body.empty() && !SignatureAccepted(request, body)) {
            return false;
        }
        if (body.size() >= 4 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            body.erase(0, 3);
        }
        body = Utf8ToAnsi(body.c_str());  // the text ends at its first NUL byte
        if (body.find("[full]") == std::string::npos) {
            LogE(kTag, "response format error! config=", body);
            return false;
        }
        LogT(kTag, "parse ini ...");
        IniReader reader(body);
        IniSection& full = reader.top().section("full");
        const std::string address = full.value("address");
        const std::string checksum = full.value("checksum");
        LogT(kTag, "address=", address, ", md5=", checksum);
        if (address.find("Setup.exe") == std::string::npos || checksum.empty()) {
            LogW(kTag, "download address not found!");
            return false;
        }
        if (!configKey_.empty() &&
            !SignedContentAccepted(full.value("channel"), full.value("serial"),
                                   full.value("expires"))) {
            return false;
        }
        packages_.push_back(
            PackageEntry{address, checksum, ParseInstallSize(full.value("installsize"))});
        return true;
    } catch (const std::runtime_error& e) {
        OutputDebugStringA(e.what());
        LogE(kTag, "catch exception: ", e.what());
        return false;
    }
}

uint64_t ParseInstallSize(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    uint64_t mib = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || mib > (1u << 20)) {
            mib = 0;
            break;
        }
        mib = mib * 10 + static_cast<uint64_t>(c - '0');
    }
    if (mib == 0 || mib > (1u << 20)) {
        LogW(kTag, "installsize=", text,
             " is not a size in MiB: the install folder is not checked");
        return 0;
    }
    return mib;
}
