#!/usr/bin/env python3
"""The channel to the update and package hosts, with the whole installer under Wine + Xvfb:

- https: nginx on loopback with certificates from a throw-away test CA, which the test prefix
  trusts (imported into its Root store through crypt32 by trust_root.exe), reached through the
  test server as the Windows-side proxy (CONNECT). The installer built with an https update
  address installs through it; a certificate from an untrusted CA, one for another host name
  and an expired one are refused with a log line, the configuration prompt comes, and nothing
  runs. Wine's Schannel checks no certificate itself, so these refusals are the installer's
  own check.
- a signed configuration: the installer built with a configuration key installs with a
  configuration signed by scripts/sign-config.sh, and refuses a changed one, an older one
  (rollback) and the test configuration served at the release address at the configuration
  prompt.

usage: channel_trust_test.py <https installer> <signed-configuration installer>
                             <trust_root.exe> <configuration key folder> <ok package>
                             <source root> <wine prefix root>
"""
import hashlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from installer_run import (  # noqa: E402
    CONFIG_PATH, PACKAGE_PATH, SOURCE, TITLE, TITLE_STRIP, Installer, InstallerTestCase,
    arguments, click_at, click_until, config_text, downloads_folder, installer_windows,
    layout_centres, read, wait_for)

HTTPS_INSTALLER, SIGNED_INSTALLER, TRUST_ROOT, KEY_DIR, PKG_OK, _, PREFIX_ROOT = arguments(7)
# The title of the installer with the test configuration.
TEST_TITLE = TITLE + "\u5185\u90e8\u7248\u672c"
NAMES = ["update.velmora.example", "dl.velmora.example"]
# Certificates the tests serve, and what the installer's log says about each.
# The "slow" server's rate (bytes per second): a transfer through it can be cut part-way.
SLOW_RATE = 400 * 1024
REFUSALS = {
    "untrusted": "issued by a certificate authority this machine does not trust",
    "otherhost": "issued for another host name",
    "expired": "expired or not yet valid",
}


INTERNET_SETTINGS = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


def connection_settings(proxy):
    """DefaultConnectionSettings as Internet Options writes it, with a fixed proxy (flags 3)."""
    def dword(v):
        return v.to_bytes(4, "little")
    blob = dword(0x46) + dword(1) + dword(3)
    for text in (proxy.encode(), b"", b""):
        blob += dword(len(text)) + text
    return blob + bytes(32)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def openssl(*args, cwd):
    subprocess.run(["openssl"] + list(args), cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def make_certificates(folder):
    """A test CA the prefix will trust and one it will not; server certificates for the
    release host names from each, one for another name, and an expired one."""
    for ca, name in (("ca", "Velmora Test Root"), ("rogue", "Velmora Rogue Root")):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "30",
                "-subj", "/CN=" + name, "-keyout", ca + ".key", "-out", ca + ".crt",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    openssl("x509", "-in", "ca.crt", "-outform", "DER", "-out", "ca.der", cwd=folder)
    # `openssl ca` can date a certificate in the past; a minimal database for it.
    for f, text in (("index.txt", ""), ("serial", "1000\n")):
        with open(os.path.join(folder, f), "w") as out:
            out.write(text)
    with open(os.path.join(folder, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nserial=serial\n"
                "new_certs_dir=.\ndefault_md=sha256\npolicy=any\ncopy_extensions=copy\n"
                "unique_subject=no\n[any]\ncommonName=supplied\n")
    leaves = {"good": ("ca", NAMES, None), "untrusted": ("rogue", NAMES, None),
              "otherhost": ("ca", ["elsewhere.example"], None),
              "expired": ("ca", NAMES, ("20200101000000Z", "20200201000000Z"))}
    for leaf, (ca, names, dates) in leaves.items():
        san = ",".join("DNS:" + n for n in names)
        openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + names[0],
                "-addext", "subjectAltName=" + san, "-addext", "extendedKeyUsage=serverAuth",
                "-keyout", leaf + ".key", "-out", leaf + ".csr", cwd=folder)
        if dates:
            openssl("ca", "-batch", "-config", "ca.cnf", "-cert", ca + ".crt", "-keyfile",
                    ca + ".key", "-startdate", dates[0], "-enddate", dates[1], "-in",
                    leaf + ".csr", "-out", leaf + ".crt", cwd=folder)
        else:
            openssl("x509", "-req", "-in", leaf + ".csr", "-CA", ca + ".crt", "-CAkey",
                    ca + ".key", "-CAcreateserial", "-days", "30", "-copy_extensions", "copy",
                    "-out", leaf + ".crt", cwd=folder)


class Nginx:
    """nginx on loopback: one https port per certificate, all serving one folder. "redirect"
    has the good certificate and sends the configuration to plain http; "slow" has the good
    certificate, a folder of its own, a bounded rate and a log of each request's range."""

    def __init__(self, folder, certs):
        self.folder = folder
        self.www = os.path.join(folder, "www")
        self.www_slow = os.path.join(folder, "www-slow")
        for www in (self.www, self.www_slow):
            os.makedirs(www, exist_ok=True)
        self.ports = {name: free_port() for name in certs}
        special = {
            "redirect": "location = %s { return 302 http://update.velmora.example%s; } "
                        % (CONFIG_PATH, CONFIG_PATH),
            "slow": "limit_rate %d; " % SLOW_RATE,
        }
        servers = "".join(
            "  server { listen 127.0.0.1:%d ssl; ssl_certificate %s/%s.crt; "
            "ssl_certificate_key %s/%s.key; root %s; access_log %s/access-%s.log%s; %s}\n"
            % (port, folder, cert, folder, cert, self.www_slow if name == "slow" else self.www,
               folder, name, " ranged" if name == "slow" else "", special.get(name, ""))
            for name, port in self.ports.items()
            for cert in ["good" if name in special else name])
        conf = os.path.join(folder, "nginx.conf")
        with open(conf, "w") as f:
            f.write("worker_processes 1;\ndaemon off;\npid %s/nginx.pid;\nerror_log %s/error.log;\n"
                    "events { worker_connections 64; }\nhttp {\n"
                    "  log_format ranged '$request_method $uri \"$http_range\" $status "
                    "$body_bytes_sent';\n%s}\n"
                    % (folder, folder, servers))
        # Its output goes nowhere: kept open by an nginx left running, a pipe would hold ctest.
        self.proc = subprocess.Popen(["nginx", "-c", conf, "-p", folder],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for port in self.ports.values():
            wait_for(lambda: self._listening(port), 10, "nginx on %d" % port, 0.1)

    @staticmethod
    def _listening(port):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            return False

    def put(self, path, data, slow=False):
        target = os.path.join(self.www_slow if slow else self.www, path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)

    def requests(self, name):
        log = os.path.join(self.folder, "access-%s.log" % name)
        return read(log).decode() if os.path.exists(log) else ""

    def stop(self):
        self.proc.terminate()  # nginx's fast shutdown: its worker ends too
        self.proc.wait()


class ChannelTrustTest(InstallerTestCase):
    PREFIX = "channel_trust_e2e"
    PREFIX_ROOT = PREFIX_ROOT

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="velmora-channel-")
        os.chmod(cls.work, 0o755)  # nginx's worker (not root) reads the served files
        make_certificates(cls.work)
        cls.nginx = Nginx(cls.work, ["good", "redirect", "slow"] + list(REFUSALS))
        cls.addClassCleanup(cls.nginx.stop)
        super().setUpClass()
        # The test server is the proxy for both schemes: https goes through its CONNECT.
        cls.env = cls.prefix.env
        cls.env["https_proxy"] = cls.server.url
        trusted = subprocess.run(["wine", TRUST_ROOT, "Z:" + os.path.join(cls.work, "ca.der")],
                                 env=cls.env, capture_output=True, text=True, timeout=120)
        assert "trusted Velmora Test Root" in trusted.stdout, trusted.stdout
        cls.pos = layout_centres("main_en.xml", TITLE_STRIP)
        cls.box = layout_centres("msgbox_en.xml")
        cls.roaming = cls.prefix.roaming()
        cls.download = cls.prefix.package_folder()
        cls.product = cls.prefix.drive_c("Program Files", "Velmora")
        cls.md5 = hashlib.md5(read(PKG_OK)).hexdigest()
        cls.nginx.put(PACKAGE_PATH, read(PKG_OK))
        cls.nginx.put(CONFIG_PATH, config_text(cls.md5, host="https://dl.velmora.example").encode())

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        super().setUp()
        shutil.rmtree(self.product, ignore_errors=True)
        self.prefix.remove_log()
        self.proc = None
        self.workdir = downloads_folder(prefix="velmora-channel-run-")

    def tearDown(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.prefix.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)
        super().tearDown()

    # ---- helpers --------------------------------------------------------------------------
    def tunnel(self, certificate, hosts=NAMES):
        for host in hosts:
            self.server.control("tunnel?host=%s&port=%d" % (host, self.nginx.ports[certificate]))

    def start(self, installer, env=None):
        """Starts the installer where it was built, from the test's working folder."""
        self.proc = Installer(env or self.env, installer, folder=self.workdir, copy=False).proc

    def log_text(self):
        return self.prefix.log_text(missing="")

    def click_install(self, title=TITLE):
        """Clicks Install on the main window once it is up and has reported its start."""
        window = wait_for(lambda: installer_windows(586, title), 90, "the main window")[0]
        wait_for(lambda: "DownloaderStart" in self.steps(), 60, "the start report")
        click_until(window, self.pos["installbtn"], lambda: "startDownload()" in self.log_text())

    def install_from_main_window(self, title=TITLE):
        """Clicks Install on the main window and waits for the outcome step."""
        self.click_install(title)
        return wait_for(lambda: [s for s in self.steps() if s in ("SetupSuccess", "SetupFailed")],
                        180, "an install outcome (steps %r)" % self.steps())[0]

    def configuration_prompt(self):
        box = wait_for(lambda: installer_windows(300), 90, "the configuration prompt")[-1]
        self.assertEqual([], installer_windows(586))
        return box

    def quit_at_prompt(self, box):
        click_at(box, self.box["btnQuit"])
        self.assertEqual(0, self.proc.wait(timeout=60))

    def assert_nothing_ran(self):
        self.assertFalse(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        self.assertNotIn("SetupSuccess", self.steps())

    def sign(self, text, serial, expires="2099-12-31", channel="release"):
        """A configuration of a channel naming the package on the test server, signed with the
        test key through scripts/sign-config.sh; (body, signature)."""
        folder = tempfile.mkdtemp(dir=self.workdir)
        config = os.path.join(folder, "VLMU.ini" if channel == "release" else "VLMU_TEST.ini")
        with open(config, "w") as f:
            f.write(text + "channel=%s\nserial=%d\nexpires=%s\n" % (channel, serial, expires))
        subprocess.run(["bash", os.path.join(SOURCE, "scripts", "sign-config.sh"), "sign",
                        os.path.join(KEY_DIR, "config.pem"), config], check=True,
                       stdout=subprocess.DEVNULL)
        return read(config), read(config + ".sig")

    def serve_signed(self, body, signature):
        self.server.control("config?path=" + CONFIG_PATH, body)
        self.server.control("config?path=" + CONFIG_PATH + ".sig", signature)

    # ---- https -----------------------------------------------------------------------------
    def test_installs_over_https_through_the_proxy(self):
        self.tunnel("good")
        self.start(HTTPS_INSTALLER)
        self.assertEqual("SetupSuccess", self.install_from_main_window())
        self.assertTrue(os.path.exists(os.path.join(self.product, "Velmora.exe")))
        connects = [r[1] for r in self.server.requests() if r[0] == "CONNECT"]
        self.assertIn("update.velmora.example:443", connects)
        self.assertIn("dl.velmora.example:443", connects)
        self.assertIn("GET %s " % CONFIG_PATH, self.nginx.requests("good"))
        self.assertIn("GET %s " % PACKAGE_PATH, self.nginx.requests("good"))
        self.assertNotIn("refused", self.log_text())

    def test_installs_over_https_through_the_internet_options_proxy(self):
        # No proxy variable: the proxy comes from this prefix's Internet Options only.
        env = dict(self.env)
        env.pop("http_proxy")
        env.pop("https_proxy")
        proxy = self.server.url[len("http://"):]
        blob = ",".join("%02x" % b for b in connection_settings(proxy))
        self.prefix.import_reg(
            "[%s]\n\"ProxyEnable\"=dword:00000001\n\"ProxyServer\"=\"%s\"\n\n"
            "[%s\\Connections]\n\"DefaultConnectionSettings\"=hex:%s\n"
            % (INTERNET_SETTINGS, proxy, INTERNET_SETTINGS, blob))
        try:
            self.tunnel("good")
            self.start(HTTPS_INSTALLER, env)
            self.assertEqual("SetupSuccess", self.install_from_main_window())
            connects = [r[1] for r in self.server.requests() if r[0] == "CONNECT"]
            self.assertIn("update.velmora.example:443", connects)
            self.assertIn("dl.velmora.example:443", connects)
        finally:
            self.prefix.import_reg(
                "[%s]\n\"ProxyEnable\"=-\n\"ProxyServer\"=-\n\n[%s\\Connections]\n"
                "\"DefaultConnectionSettings\"=-\n" % (INTERNET_SETTINGS, INTERNET_SETTINGS))

    def test_bad_certificates_of_the_update_host_are_refused_at_the_prompt(self):
        for certificate, reason in REFUSALS.items():
            with self.subTest(certificate=certificate):
                try:
                    self.refused_at_the_prompt(certificate, reason)
                finally:
                    if self.proc.poll() is None:
                        self.proc.kill()
                        self.proc.wait()
                    self.prefix.stop()
                    wait_for(lambda: not installer_windows(300), 30, "the prompt to go")

    def refused_at_the_prompt(self, certificate, reason):
        self.tunnel(certificate)
        self.start(HTTPS_INSTALLER)
        box = self.configuration_prompt()
        log = self.log_text()
        self.assertIn("E/TlsPolicy -- certificate of update.velmora.example refused: " + reason,
                      log)
        self.assertIn(', subject: "', log)
        self.assertIn("W/InstallSettings -- Request download url failed!", log)
        # The request was never sent: nginx saw the handshake only.
        self.assertNotIn("GET ", self.nginx.requests(certificate))
        if certificate == "expired":
            # The prompt offers retry, as for any failed fetch: with the host fixed, it installs.
            self.tunnel("good")
            click_at(box, self.box["btnRetry"])
            self.assertEqual("SetupSuccess", self.install_from_main_window())
        else:
            self.quit_at_prompt(box)
            self.assert_nothing_ran()

    def test_https_configuration_is_not_redirected_to_plain_http(self):
        # The plain http address would answer with a usable configuration.
        self.server.serve(PKG_OK)
        self.tunnel("redirect")
        self.start(HTTPS_INSTALLER)
        box = self.configuration_prompt()
        self.assertIn("GET %s " % CONFIG_PATH, self.nginx.requests("redirect"))
        self.assertEqual(0, self.server.count("GET", CONFIG_PATH))
        self.assertIn("E/Request -- checkResult code=1", self.log_text())  # unsupported protocol
        self.quit_at_prompt(box)
        self.assert_nothing_ran()

    def test_package_host_with_a_bad_certificate_gets_no_byte_into_the_package(self):
        self.tunnel("good", ["update.velmora.example"])
        self.tunnel("untrusted", ["dl.velmora.example"])
        self.start(HTTPS_INSTALLER)
        window = wait_for(lambda: installer_windows(586), 90, "the main window")[0]
        wait_for(lambda: "DownloaderStart" in self.steps(), 60, "the start report")
        refusal = ("E/TlsPolicy -- certificate of dl.velmora.example refused: "
                   + REFUSALS["untrusted"])
        for _ in range(5):
            click_at(window, self.pos["installbtn"])
            try:
                wait_for(lambda: "startDownload()" in self.log_text(), 10, "the install")
                break
            except AssertionError:
                pass
        # The downloader retries as for any network fault, and is refused each time.
        wait_for(lambda: self.log_text().count(refusal) >= 3, 120, "three refusals")
        package = os.path.join(self.download, "Setup.exe")
        self.assertTrue(not os.path.exists(package) or os.path.getsize(package) == 0)
        self.assertNotIn("GET ", self.nginx.requests("untrusted"))
        self.assertNotIn("HEAD ", self.nginx.requests("untrusted"))
        self.assert_nothing_ran()

    def tunnelled_bytes(self, host):
        return sum(int(r[6]) for r in self.server.requests()
                   if r[0] == "CONNECT" and r[1] == host + ":443")

    def test_https_download_through_the_proxy_resumes_after_a_restart(self):
        # The proxy's own "200 Connection established" must not be taken for the server's
        # answer to the ranged request: the partial file is resumed, not started over.
        package = read(PKG_OK)
        package += bytes(4 * 1024 * 1024 - len(package) % 512)  # ~10 s at the slow rate
        path = "/pkg/resume/Setup.exe"
        self.nginx.put(path, package, slow=True)
        self.nginx.put(CONFIG_PATH, config_text(hashlib.md5(package).hexdigest(), path,
                                                "https://dl.velmora.example").encode(), slow=True)
        self.tunnel("slow")
        self.start(HTTPS_INSTALLER)
        self.click_install()
        wait_for(lambda: self.tunnelled_bytes("dl.velmora.example") >= 1024 * 1024, 60,
                 "a part of the package")
        self.proc.kill()
        self.proc.wait()
        self.prefix.stop()
        self.assertNotIn("Check file md5 OK.", self.log_text())
        wait_for(lambda: "GET %s " % path in self.nginx.requests("slow"), 10,
                 "nginx to log the cut transfer")
        before = len(self.nginx.requests("slow"))

        self.server.control("clear_requests")
        self.start(HTTPS_INSTALLER)
        self.assertEqual("SetupSuccess", self.install_from_main_window())
        log = self.log_text()
        resumed = [int(line.rsplit(" ", 1)[1]) for line in log.splitlines()
                   if "T/CTinyDownload -- resume from: " in line]
        self.assertTrue(resumed and resumed[0] > 0, resumed)
        self.assertNotIn("server ignored the resume offset", log)
        gets = [line.split(" ")[2] for line in self.nginx.requests("slow")[before:].splitlines()
                if line.startswith("GET %s " % path)]
        # Every request for the package after the restart asked for the rest of the file.
        self.assertEqual(['"bytes=%d-"' % resumed[0]], gets)

    # ---- the signed configuration -----------------------------------------------------------
    def test_signed_configuration_installs_then_changed_and_older_ones_are_refused(self):
        md5 = self.server.control("package?path=" + PACKAGE_PATH, read(PKG_OK))
        text = config_text(md5)
        body, signature = self.sign(text, 7)
        self.serve_signed(body, signature)
        self.start(SIGNED_INSTALLER)
        self.assertEqual("SetupSuccess", self.install_from_main_window())
        self.assertIn("I/InstallSettings -- configuration signed, channel=release, serial=7, "
                      "expires=2099-12-31",
                      self.log_text())
        self.proc.kill()
        self.proc.wait()
        self.prefix.stop()

        # One byte changed after signing.
        self.server.control("clear_requests")
        self.serve_signed(body.replace(b"serial=7", b"serial=8"), signature)
        self.start(SIGNED_INSTALLER)
        box = self.configuration_prompt()
        self.assertIn("E/InstallSettings -- configuration refused: bad signature: the signature "
                      "does not match the configuration key", self.log_text())
        self.quit_at_prompt(box)
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))

        # An older configuration, properly signed: a rollback.
        self.serve_signed(*self.sign(text, 6))
        self.start(SIGNED_INSTALLER)
        box = self.configuration_prompt()
        self.assertIn("E/InstallSettings -- configuration refused: serial 6 is lower than 7, "
                      "accepted before (rollback)", self.log_text())
        self.quit_at_prompt(box)
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))

        # The test configuration, validly signed (and newer), served at the release address.
        self.serve_signed(*self.sign(text, 8, channel="test"))
        self.start(SIGNED_INSTALLER)
        box = self.configuration_prompt()
        self.assertIn("E/InstallSettings -- configuration refused: it is for the test channel, "
                      "this installer takes release", self.log_text())
        self.quit_at_prompt(box)
        self.assertEqual(0, self.server.count("HEAD", PACKAGE_PATH))

        # The test installer (marker file) takes it at its own address: serial 8 of the test
        # channel, judged apart from the release channel's 7.
        test_path = CONFIG_PATH.replace("VLMU.ini", "VLMU_TEST.ini")
        test_body, test_signature = self.sign(text, 1, channel="test")
        self.server.control("config?path=" + test_path, test_body)
        self.server.control("config?path=" + test_path + ".sig", test_signature)
        with open(os.path.join(self.workdir, "test_ver_key"), "w") as f:
            f.write("")
        self.start(SIGNED_INSTALLER)
        self.assertEqual("SetupSuccess", self.install_from_main_window(TEST_TITLE))
        self.assertIn("I/InstallSettings -- configuration signed, channel=test, serial=1, "
                      "expires=2099-12-31", self.log_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
