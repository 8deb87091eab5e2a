"""A real squid on a loopback port that asks who the client is (HTTP 407) before it forwards a
request to its parent, the loopback test server (which plays every remote host). Started with
its own configuration, logs and password file in a folder of its own, in the foreground (no
service manager), and stopped by stop().

    proxy = SquidProxy(parent_url, schemes=("basic",), users={"ann": "secret"}, ports=2)
    proxy.url        # "http://127.0.0.1:<port>", the first of proxy.urls
    proxy.stop()

Schemes: "basic" (basic_ncsa_auth with an htpasswd file made here) and "ntlm" (ntlm_test_helper.py:
any user that completes the handshake, except refused_users)."""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SQUID = shutil.which("squid") or "/usr/sbin/squid"
HELPERS = "/usr/lib/squid"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SquidProxy:
    def __init__(self, parent_url, schemes=("basic",), users=None, realm="Velmora test proxy",
                 ports=1, refused_users=()):
        parent = parent_url.rsplit(":", 1)
        self.ports = [free_port() for _ in range(ports)]
        self.port = self.ports[0]
        self.urls = ["http://127.0.0.1:%d" % p for p in self.ports]
        self.url = self.urls[0]
        self.dir = tempfile.mkdtemp(prefix="velmora-squid-")
        # Run as root, squid drops to its own user: the folder must be open to it.
        os.chmod(self.dir, 0o777)
        lines = ["http_port 127.0.0.1:%d" % p for p in self.ports] + [
            "pid_filename %s/squid.pid" % self.dir,
            "cache_log %s/cache.log" % self.dir,
            "access_log %s/access.log" % self.dir,
            "cache_store_log none",
            "coredump_dir %s" % self.dir,
            "netdb_filename none",
            "cache deny all",
            "cache_mem 4 MB",
            "shutdown_lifetime 0 seconds",
            "dns_nameservers 127.0.0.1",
            "forwarded_for delete",
            "via off",
        ]
        if "ntlm" in schemes:
            # The helper is copied into the folder: squid's user must be able to run it.
            helper = os.path.join(self.dir, "ntlm_test_helper.py")
            shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                     "ntlm_test_helper.py"), helper)
            os.chmod(helper, 0o755)
            # The system's Python: one in root's home is out of reach of squid's user.
            python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
            lines += ["auth_param ntlm program %s %s %s" % (python, helper,
                                                           " ".join(refused_users)),
                      "auth_param ntlm children 2"]
        if "basic" in schemes:
            passwd = os.path.join(self.dir, "passwd")
            with open(passwd, "w") as f:
                for user, password in (users or {}).items():
                    hashed = subprocess.check_output(
                        ["openssl", "passwd", "-apr1", password], text=True).strip()
                    f.write("%s:%s\n" % (user, hashed))
            os.chmod(passwd, 0o644)
            lines += ["auth_param basic program %s/basic_ncsa_auth %s" % (HELPERS, passwd),
                      "auth_param basic children 2",
                      "auth_param basic realm %s" % realm]
        lines += [
            "acl signed_in proxy_auth REQUIRED",
            "http_access allow signed_in",
            "http_access deny all",
            # Every request, tunnels included, goes to the test server, which plays every host.
            "cache_peer %s parent %s 0 no-query no-digest default name=server"
            % (parent[0].split("//")[-1], parent[1]),
            "never_direct allow all",
        ]
        self.conf = os.path.join(self.dir, "squid.conf")
        with open(self.conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        self.proc = subprocess.Popen([SQUID, "-N", "-f", self.conf],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while True:
            if self.proc.poll() is not None:
                raise RuntimeError("squid ended at start:\n" + self.log())
            try:
                for port in self.ports:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                if time.time() > deadline:
                    self.stop()
                    raise RuntimeError("squid did not listen:\n" + self.log())
                time.sleep(0.2)

    def log(self):
        text = ""
        for name in ("cache.log", "access.log"):
            path = os.path.join(self.dir, name)
            if os.path.exists(path):
                with open(path, encoding="latin-1") as f:
                    text += f.read()
        return text

    def access_log(self):
        path = os.path.join(self.dir, "access.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="latin-1") as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def files_holding(folder, needle):
    """The files below folder that hold needle (as UTF-8 or UTF-16 text); links are not followed."""
    found = []
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                continue
            if needle.encode() in data or needle.encode("utf-16-le") in data:
                found.append(path)
    return found
