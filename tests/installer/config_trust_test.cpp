// The signed configuration: CryptoAPI's answer to signatures made with openssl through
// scripts/sign-config.sh (throw-away keys made at build time), the channel, serial and expiry
// rules, the serial remembered per channel in this prefix's registry, and the whole fetch
// against the loopback server, which serves the configuration and its signature.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "installer/accepted_serial.h"
#include "installer/config_channel.h"
#include "installer/config_freshness.h"
#include "installer/config_signature.h"
#include "installer/install_settings.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_server.h"

namespace {
const char kPath[] = "/update/win/kelto/VLMU.ini";

std::string Material(const std::string& name) {
    const char* dir = std::getenv("VELMORA_CONFIG_SIGNING_DIR");
    std::ifstream in(std::string(dir ? dir : ".") + "\\" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

SYSTEMTIME Day(WORD year, WORD month, WORD day) {
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    return t;
}

void ForgetAcceptedSerial() {
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Velmora\\Installer");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Velmora\\Installer");
}

// What any process of the user can do: rewrite its own HKCU value.
void WriteUserSerial(const wchar_t* text) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora\\Installer", 0,
                                             nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExW(key, L"ConfigSerial", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

class ConfigTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServer::BaseUrl().empty());
        ASSERT_FALSE(Material("config.key").empty()) << "VELMORA_CONFIG_SIGNING_DIR";
        TestServer::Reset();
        ForgetAcceptedSerial();
    }
    static void Serve(const std::string& body, const std::string& signature) {
        TestServer::Control("config?path=" + UrlEncode(kPath), body, true);
        if (!signature.empty()) {
            TestServer::Control("config?path=" + UrlEncode(std::string(kPath) + ".sig"), signature,
                                true);
        }
    }
    // The fetch with the test key for a channel; each prompt counts and then serves a good,
    // signed configuration of that channel, as a fixed server would.
    InstallSettings Run(const std::string& key, ConfigChannel channel = ConfigChannel::Release) {
        prompts_ = 0;
        const std::string fixed = channel == ConfigChannel::Test ? "test_high.ini" : "good.ini";
        return InstallSettings(
            TestServer::Url(kPath),
            [this, fixed](ConfigFailure) {
                ++prompts_;
                Serve(Material(fixed), Material(fixed + ".sig"));
            },
            key, channel);
    }
    int prompts_ = 0;
    LogCapture log_;
};
}  // namespace

TEST_F(ConfigTrustTest, SignaturesMadeWithOpensslAreCheckedByCryptoApi) {
    const std::string key = Material("config.key");
    const std::string good = Material("good.ini");
    const std::string signature = Material("good.ini.sig");
    EXPECT_TRUE(VerifyConfigSignature(good, signature, key).ok);

    std::string changed = good;
    changed[changed.find("serial=5")] = 'S';  // one byte of the body
    EXPECT_EQ("the signature does not match the configuration key",
              VerifyConfigSignature(changed, signature, key).reason);
    EXPECT_FALSE(VerifyConfigSignature(good + "\n", signature, key).ok);
    EXPECT_EQ("the signature does not match the configuration key",
              VerifyConfigSignature(good, Material("other.sig"), key).reason);
    EXPECT_TRUE(VerifyConfigSignature(good, Material("other.sig"), Material("other.key")).ok);
    EXPECT_EQ("the signature is 192 bytes, not 384",
              VerifyConfigSignature(good, signature.substr(0, 192), key).reason);
    EXPECT_EQ("the signature is 0 bytes, not 384", VerifyConfigSignature(good, "", key).reason);

    // A short key refuses even its own signatures; a broken key refuses everything.
    EXPECT_EQ("the configuration key of this build has 1024 bits, fewer than 2048",
              VerifyConfigSignature(good, Material("short.sig"), Material("short.key")).reason);
    EXPECT_FALSE(VerifyConfigSignature(good, signature, key.substr(0, key.size() / 2)).ok);
    EXPECT_FALSE(VerifyConfigSignature(good, signature, "not base64 at all!").ok);
}

TEST_F(ConfigTrustTest, SerialAndExpiryRules) {
    const SYSTEMTIME today = Day(2026, 12, 7);
    EXPECT_TRUE(CheckFreshness("5", "2026-12-07", 5, today).ok);  // same serial, last day
    EXPECT_TRUE(CheckFreshness("6", "2027-01-01", 5, today).ok);
    EXPECT_EQ("serial 4 is lower than 5, accepted before (rollback)",
              CheckFreshness("4", "2027-01-01", 5, today).reason);
    EXPECT_EQ("expired on 2026-12-06 (UTC)", CheckFreshness("9", "2026-12-06", 5, today).reason);
    EXPECT_EQ("no serial", CheckFreshness("", "2027-01-01", 0, today).reason);
    EXPECT_EQ("serial \"5 \" is not a number", CheckFreshness("5 ", "2027-01-01", 0, today).reason);
    EXPECT_EQ("serial \"-1\" is not a number", CheckFreshness("-1", "2027-01-01", 0, today).reason);
    EXPECT_EQ("no expiry date", CheckFreshness("5", "", 0, today).reason);
    EXPECT_EQ("expires \"2027-02-29\" is not a date (YYYY-MM-DD)",
              CheckFreshness("5", "2027-02-29", 0, today).reason);
    EXPECT_TRUE(CheckFreshness("5", "2028-02-29", 0, today).ok);
    EXPECT_FALSE(CheckFreshness("5", "2027-1-01", 0, today).ok);
    EXPECT_FALSE(CheckFreshness("1234567890123456789", "2027-01-01", 0, today).ok);
}

TEST_F(ConfigTrustTest, AcceptedSerialLivesInTheRegistry) {
    const ConfigChannel release = ConfigChannel::Release;
    EXPECT_EQ(0u, ReadAcceptedSerial(release));
    ASSERT_TRUE(StoreAcceptedSerial(release, 123456789012ull));
    EXPECT_EQ(123456789012ull, ReadAcceptedSerial(release));
    EXPECT_EQ(0u, ReadAcceptedSerial(ConfigChannel::Test));
    // Something else wrote the value (release keeps the name older installers used): read as
    // 0 with a W line, not as a number it is not.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(AcceptedSerialRoot(), L"Software\\Velmora\\Installer", 0,
                                           KEY_SET_VALUE, &key));
    const DWORD number = 7;
    RegSetValueExW(key, L"ConfigSerial", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(0u, ReadAcceptedSerial(release));
    EXPECT_EQ(1, log_.countExact(
                     "accepted configuration serial of the release channel unreadable, taken as 0",
                     "W/"));
}

TEST_F(ConfigTrustTest, SignedConfigurationIsTakenAndItsSerialRemembered) {
    Serve(Material("good.ini"), Material("good.ini.sig"));
    InstallSettings settings = Run(Material("config.key"));
    EXPECT_EQ(0, prompts_);
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ("http://dl.velmora.example/pkg/Setup.exe", settings.packages()[0].address);
    EXPECT_EQ(1, log_.countExact(
                     "configuration signed, channel=release, serial=5, expires=2099-12-31", "I/"));
    EXPECT_EQ(5u, ReadAcceptedSerial(ConfigChannel::Release));
    EXPECT_EQ(1u, TestServer::RequestsFor("GET", std::string(kPath) + ".sig").size());
}

TEST_F(ConfigTrustTest, EachRefusalHasItsLineAndThePrompt) {
    const std::string key = Material("config.key");
    const std::string good = Material("good.ini");
    const std::string signature = Material("good.ini.sig");
    struct Case {
        std::string body, signature, line;
    };
    std::string changed = good;
    changed.replace(changed.find("0123abcd"), 8, "deadbeef");
    const Case cases[] = {
        {changed, signature,
         "configuration refused: bad signature: the signature does not match the configuration "
         "key"},
        {good, Material("other.sig"),
         "configuration refused: bad signature: the signature does not match the configuration "
         "key"},
        {good, signature.substr(0, 200),
         "configuration refused: bad signature: the signature is 200 bytes, not 384"},
        {good, "",
         "configuration refused: no signature at " + TestServer::Url(kPath) + ".sig (HTTP 404)"},
        {Material("expired.ini"), Material("expired.ini.sig"),
         "configuration refused: expired on 2020-01-01 (UTC)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TestServer::Reset();
        ForgetAcceptedSerial();
        Serve(c.body, c.signature);
        const int before = log_.countExact(c.line, "E/");
        InstallSettings settings = Run(key);
        EXPECT_EQ(1, prompts_);
        EXPECT_EQ(before + 1, log_.countExact(c.line, "E/"));
        // The refused document never reached the INI reader.
        ASSERT_EQ(1u, settings.packages().size());
        EXPECT_EQ("0123abcd", settings.packages()[0].checksum);
    }
    EXPECT_EQ(0, log_.countContaining("deadbeef"));
}

TEST_F(ConfigTrustTest, LowerSerialAfterAHigherOneIsARollback) {
    const std::string key = Material("config.key");
    Serve(Material("good.ini"), Material("good.ini.sig"));
    Run(key);
    ASSERT_EQ(5u, ReadAcceptedSerial(ConfigChannel::Release));
    Serve(Material("low.ini"), Material("low.ini.sig"));
    InstallSettings settings = Run(key);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact(
                     "configuration refused: serial 3 is lower than 5, accepted before (rollback)",
                     "E/"));
    EXPECT_EQ(5u, ReadAcceptedSerial(ConfigChannel::Release));
    // The same configuration again (equal serial) is fine.
    EXPECT_EQ(2, log_.countExact(
                     "configuration signed, channel=release, serial=5, expires=2099-12-31", "I/"));
}

TEST_F(ConfigTrustTest, AnAdministratorsSerialIsKeptWhereTheUserCannotLowerIt) {
    // Wine's token is an administrator's: the serial lives in HKLM.
    ASSERT_EQ(HKEY_LOCAL_MACHINE, AcceptedSerialRoot());
    const std::string key = Material("config.key");
    Serve(Material("good.ini"), Material("good.ini.sig"));
    Run(key);
    ASSERT_EQ(5u, ReadAcceptedSerialFrom(HKEY_LOCAL_MACHINE, ConfigChannel::Release));
    EXPECT_EQ(0u, ReadAcceptedSerialFrom(HKEY_CURRENT_USER, ConfigChannel::Release));
    // A process of the user lowers "its" serial and replays the older signed configuration.
    WriteUserSerial(L"0");
    Serve(Material("low.ini"), Material("low.ini.sig"));
    Run(key);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact(
                     "configuration refused: serial 3 is lower than 5, accepted before (rollback)",
                     "E/"));
    // A token without administrator rights keeps HKCU, which it can write.
    ASSERT_TRUE(StoreAcceptedSerialIn(HKEY_CURRENT_USER, ConfigChannel::Test, 7));
    EXPECT_EQ(7u, ReadAcceptedSerialFrom(HKEY_CURRENT_USER, ConfigChannel::Test));
    EXPECT_EQ(0u, ReadAcceptedSerial(ConfigChannel::Test));
}

TEST_F(ConfigTrustTest, AConfigurationOfTheOtherChannelIsRefused) {
    const std::string key = Material("config.key");
    struct Case {
        ConfigChannel channel;
        std::string served, line;
    };
    const Case cases[] = {
        // The test configuration, validly signed, served at the release address.
        {ConfigChannel::Release, "test_high.ini",
         "configuration refused: it is for the test channel, this installer takes release"},
        {ConfigChannel::Test, "good.ini",
         "configuration refused: it is for the release channel, this installer takes test"},
        {ConfigChannel::Release, "nochannel.ini",
         "configuration refused: no channel (this installer takes release)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TestServer::Reset();
        ForgetAcceptedSerial();
        Serve(Material(c.served), Material(c.served + ".sig"));
        ASSERT_TRUE(VerifyConfigSignature(Material(c.served), Material(c.served + ".sig"), key).ok);
        InstallSettings settings = Run(key, c.channel);
        EXPECT_EQ(1, prompts_);
        EXPECT_EQ(1, log_.countExact(c.line, "E/"));
        // The refused configuration's serial was not remembered for either channel; only the
        // one taken after the prompt was.
        const bool test = c.channel == ConfigChannel::Test;
        EXPECT_EQ(test ? 0u : 5u, ReadAcceptedSerial(ConfigChannel::Release));
        EXPECT_EQ(test ? 9u : 0u, ReadAcceptedSerial(ConfigChannel::Test));
    }
    EXPECT_EQ("channel \"beta\" is unknown (this installer takes test)",
              ChannelRefusal("beta", ConfigChannel::Test));
    EXPECT_EQ("", ChannelRefusal("test", ConfigChannel::Test));
}

TEST_F(ConfigTrustTest, EachChannelKeepsItsOwnSerial) {
    const std::string key = Material("config.key");
    // Release 5 first: test 2 is no rollback for the test channel.
    Serve(Material("good.ini"), Material("good.ini.sig"));
    Run(key, ConfigChannel::Release);
    Serve(Material("test_low.ini"), Material("test_low.ini.sig"));
    Run(key, ConfigChannel::Test);
    EXPECT_EQ(0, prompts_);
    EXPECT_EQ(1, log_.countExact("configuration signed, channel=test, serial=2, expires=2099-12-31",
                                 "I/"));
    // Test 9 then: release 5 is still no rollback, release 3 still is.
    Serve(Material("test_high.ini"), Material("test_high.ini.sig"));
    Run(key, ConfigChannel::Test);
    EXPECT_EQ(9u, ReadAcceptedSerial(ConfigChannel::Test));
    EXPECT_EQ(5u, ReadAcceptedSerial(ConfigChannel::Release));
    Serve(Material("good.ini"), Material("good.ini.sig"));
    Run(key, ConfigChannel::Release);
    EXPECT_EQ(0, prompts_);
    Serve(Material("low.ini"), Material("low.ini.sig"));
    Run(key, ConfigChannel::Release);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact(
                     "configuration refused: serial 3 is lower than 5, accepted before (rollback)",
                     "E/"));
    // And the test channel's rollback is judged against its own 9.
    Serve(Material("test_low.ini"), Material("test_low.ini.sig"));
    Run(key, ConfigChannel::Test);
    EXPECT_EQ(1, prompts_);
    EXPECT_EQ(1, log_.countExact(
                     "configuration refused: serial 2 is lower than 9, accepted before (rollback)",
                     "E/"));
    EXPECT_EQ(9u, ReadAcceptedSerial(ConfigChannel::Test));
    EXPECT_EQ(5u, ReadAcceptedSerial(ConfigChannel::Release));
}

TEST_F(ConfigTrustTest, WithoutAKeyNothingChanges) {
    Serve("[full]\naddress=x/Setup.exe\nchecksum=0123abcd\n", "");
    InstallSettings settings = Run("");
    EXPECT_EQ(0, prompts_);
    ASSERT_EQ(1u, settings.packages().size());
    EXPECT_EQ(0u, TestServer::RequestsFor("GET", std::string(kPath) + ".sig").size());
    EXPECT_EQ(0, log_.countContaining("configuration"));
    EXPECT_EQ(0u, ReadAcceptedSerial(ConfigChannel::Release));
    // This build's own setting is empty.
    EXPECT_STREQ("", ConfiguredConfigKey());
}
