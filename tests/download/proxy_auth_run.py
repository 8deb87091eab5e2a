#!/usr/bin/env python3
"""Runs the proxy authentication tests (a Windows test program) under Wine against real squid
proxies on loopback ports: one asking for Basic (several ports, so that each test meets a proxy
of its own), one offering NTLM (tests/support/ntlm_test_helper.py); both forward to the test
server, whose CONNECT tunnels update.velmora.example to an https nginx with a throw-away
certificate (a bounded rate, each request's range logged). Afterwards the test's Wine prefix,
its working folder and the test server's request log are searched for the password.

    proxy_auth_run.py <test program> [gtest arguments]
Environment: VELMORA_PREFIX_ROOT and VELMORA_TEST_NAME as for scripts/wine-test-run.sh."""
import hashlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from squid_proxy import SquidProxy, files_holding  # noqa: E402

USER = "ann.proxy"
PASSWORD = "Pw-7f3kQz9"  # searched for afterwards: nothing may keep it



def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class HttpsHost:
    """nginx with the test certificate for update.velmora.example, serving a package slowly."""
    RATE = 400 * 1024

    def __init__(self, folder):
        self.folder = folder
        subprocess.run(["bash", os.path.join(HERE, "make_test_certificates.sh"), folder],
                       check=True)
        www = os.path.join(folder, "www", "pkg")
        os.makedirs(www)
        data = os.urandom(2 * 1024 * 1024)
        with open(os.path.join(www, "big.bin"), "wb") as f:
            f.write(data)
        self.md5 = hashlib.md5(data).hexdigest()
        os.chmod(folder, 0o755)  # nginx's worker (not root) reads the files
        for base, dirs, files in os.walk(folder):
            for name in dirs + files:
                os.chmod(os.path.join(base, name), 0o755)
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        conf = os.path.join(folder, "nginx.conf")
        with open(conf, "w") as f:
            f.write("worker_processes 1;\ndaemon off;\npid %s/nginx.pid;\n"
                    "error_log %s/error.log;\nevents { worker_connections 64; }\nhttp {\n"
                    "  log_format ranged '$request_method $uri \"$http_range\" $status';\n"
                    "  server { listen 127.0.0.1:%d ssl; ssl_certificate %s/good.pem; "
                    "ssl_certificate_key %s/good.key.pem; root %s/www; "
                    "access_log %s/access.log ranged; limit_rate %d; }\n}\n"
                    % (folder, folder, self.port, folder, folder, folder, folder, self.RATE))
        self.proc = subprocess.Popen(["nginx", "-c", conf, "-p", folder],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("nginx did not listen")

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def main():
    program = sys.argv[1]
    server = velmora_client.Server()
    basic = ntlm = https = None
    folder = tempfile.mkdtemp(prefix="velmora-proxy-https-")
    try:
        basic = SquidProxy(server.url, ("basic",), {USER: PASSWORD}, ports=10)
        ntlm = SquidProxy(server.url, ("ntlm",), ports=3)
        https = HttpsHost(folder)
        env = dict(os.environ, VELMORA_TEST_SERVER=server.url,
                   VELMORA_TLS_CERT_DIR=windows_path(folder),
                   VELMORA_HTTPS_PORT=str(https.port), VELMORA_HTTPS_MD5=https.md5, VELMORA_HTTPS_LOG=windows_path(
                       os.path.join(folder, "access.log")),
                   VELMORA_SQUID_BASIC=",".join(basic.urls),
                   VELMORA_SQUID_NTLM=",".join(ntlm.urls),
                   VELMORA_SQUID_USER=USER, VELMORA_SQUID_PASSWORD=PASSWORD)
        env.pop("VELMORA_NEEDS_SERVER", None)
        status = subprocess.call([os.path.join(SOURCE, "scripts", "wine-test-run.sh"), program]
                                 + sys.argv[2:], env=env)
        requests = server.control("requests")
    finally:
        for proxy in (basic, ntlm, https):
            if proxy:
                proxy.stop()
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)
    prefix = subprocess.check_output(
        [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), os.environ["VELMORA_PREFIX_ROOT"],
         os.environ["VELMORA_TEST_NAME"]], text=True).strip()
    leaks = files_holding(prefix, PASSWORD) + files_holding(os.getcwd(), PASSWORD)
    if PASSWORD in requests:
        leaks.append("the test server's request log")
    if leaks:
        print("the password was found in: " + ", ".join(leaks))
        return 1
    print("the password is in no file of the prefix, the working folder or the requests")
    return status


if __name__ == "__main__":
    sys.exit(main())
