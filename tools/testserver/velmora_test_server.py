#!/usr/bin/env python3
"""Loopback stand-in for every remote service the installer talks to.

Plays the update server (configuration documents), the package host (HEAD with length and
ETag, ranged GET, injected faults) and the reporting endpoints (records every request). It also
answers absolute-form request lines, so a client whose http_proxy points here keeps the release
host names. Tests steer it at run time through /_ctl/ requests:

  /_ctl/reset                                   back to the initial state, request log cleared
  /_ctl/requests                                request log, one line each, tab-separated:
                                                method host path query range cookie bytes-sent
                                                proxied (1: absolute-form request line)
  /_ctl/clear_requests
  /_ctl/package?path=P&size=N[&seed=S][&etag=E][&noetag=1][&nolength=1][&pattern=1]
                                                (re)defines a package; answers its MD5; a POST
                                                body gives the package's bytes instead
  /_ctl/fault?path=P[&cut_after=N][&cut_times=K][&stall_after=N][&wrong_bytes=1][&not_found=1]
             [&rate=BYTES_PER_S][&ignore_range=1][&release=1][&clear=1]
  /_ctl/reports?silent=1|0[&delay_ms=N]         the reporting endpoints accept a request and
                                                never answer it (silent), or answer after N ms;
                                                the request is logged on arrival either way
  /_ctl/fault?path=P&answer=STATUS[&answer_to=get|head|both][&answer_body=0][&answer_times=K]
                                                the package's GET (default), HEAD or both get an
                                                error answer instead: STATUS with an error page
                                                (or no body); 206 sends a part of the file other
                                                than the one asked for; 301/302/303/307 redirect
                                                to an error page (/_err/500); K answers, then
                                                the package again
  /_ctl/fault?path=P&head_delay=MS                the package's HEAD is answered after MS ms
  /_ctl/fault?path=P&overlong=N[&overlong_announced=1][&overlong_times=K]
                                                the GET body carries N bytes more than the file,
                                                announced in Content-Length or (default) sent
                                                without a length and ended by closing
  /_ctl/config?path=P[&status=N][&bom=1][&crlf=1][&redirect=1][&pad=N]
                                                (POST body = INI text; pad appends N bytes of
                                                comment lines)
  /_ctl/tunnel?host=H&port=P                    a CONNECT to H (any port) is tunnelled to
                                                127.0.0.1:P (an https server such as nginx);
                                                port=0 removes it. Unknown hosts get 502.
  /_err/STATUS                                  an error page with that status

It stops by itself after --lifetime seconds. --silent-reports starts it (and every reset) with
silent reporting endpoints.
"""
import argparse
import hashlib
import os
import random
import select
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCK = threading.Lock()
PATTERN_BLOCK = 1 << 20
SILENT_REPORTS_AT_START = False


class Package:
    def __init__(self, size, seed, etag, send_etag, send_length, pattern):
        self.size = size
        self.seed = seed
        self.etag = etag
        self.send_etag = send_etag
        self.send_length = send_length
        self.pattern = pattern
        self.faults = {}
        self.stall_release = threading.Event()
        if pattern:
            self.data = None
            base = random.Random(seed).randbytes(PATTERN_BLOCK)
            self.base = base
        else:
            self.data = random.Random(seed).randbytes(size)
        self.md5 = self._md5()

    def _block(self, index):
        # Each 1 MiB block is the base block with its index in the first 8 bytes.
        cached = getattr(self, "_cached", None)
        if cached is None or cached[0] != index:
            cached = (index, index.to_bytes(8, "little") + self.base[8:])
            self._cached = cached
        return cached[1]

    def read(self, offset, length):
        if self.data is not None:
            return self.data[offset:offset + length]
        out = bytearray()
        while length > 0 and offset < self.size:
            index, within = divmod(offset, PATTERN_BLOCK)
            take = min(length, PATTERN_BLOCK - within, self.size - offset)
            out += self._block(index)[within:within + take]
            offset += take
            length -= take
        return bytes(out)

    def _md5(self):
        h = hashlib.md5()
        pos = 0
        while pos < self.size:
            chunk = self.read(pos, min(PATTERN_BLOCK, self.size - pos))
            h.update(chunk)
            pos += len(chunk)
        return h.hexdigest()


def default_config_body(channel="release"):
    """The configuration served until a test sets one; it names its channel, as published
    configurations do."""
    return ("[full]\naddress=http://dl.velmora.example/pkg/Setup.exe\n"
            "checksum=00000000000000000000000000000000\nchannel=%s\n" % channel)


class State:
    def __init__(self):
        self.reset()

    def reset(self):
        self.packages = {}
        self.configs = {}
        self.tunnels = {}
        self.requests = []
        release = getattr(self, "report_release", None)
        if release is not None:
            release.set()  # held report requests of the previous state end now
        self.report_release = threading.Event()
        self.silent_reports = SILENT_REPORTS_AT_START
        self.report_delay = 0.0
        for p, channel in (("/update/win/kelto/VLMU.ini", "release"),
                           ("/update/win/kelto/VLMU_TEST.ini", "test")):
            self.configs[p] = {"body": default_config_body(channel).encode(), "status": 200,
                               "bom": False, "crlf": False, "redirect": False}


STATE = State()

ERROR_PAGE = (b"<html><head><title>%d Error</title></head><body><h1>Error %d</h1>"
              b"<p>The server cannot answer this request now.</p></body></html>")

NOT_FOUND_PAGE = (b"<html><head><title>404 Not Found</title></head><body>"
                  b"<h1>Not Found</h1><p>The requested URL was not found on this server.</p>"
                  b"</body></html>")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VelmoraTestServer/1.0"

    def log_message(self, fmt, *args):  # quiet; the request log is what tests read
        pass

    # ---- plumbing -------------------------------------------------------------------------
    def split_target(self):
        target = self.path
        host = self.headers.get("Host", "")
        if target.startswith("http://") or target.startswith("https://"):
            parts = urllib.parse.urlsplit(target)
            host = parts.netloc
            target = parts.path + ("?" + parts.query if parts.query else "")
        path, _, query = target.partition("?")
        return host, path, query

    def record(self, host, path, query):
        """Adds the request to the log at once; the byte count grows as the body goes out."""
        proxied = "1" if self.path.startswith(("http://", "https://")) else "0"
        entry = [self.command, host, path, query, self.headers.get("Range", ""),
                 self.headers.get("Cookie", ""), 0, proxied]
        with LOCK:
            STATE.requests.append(entry)
        return entry

    def count_sent(self, n):
        with LOCK:
            self.entry[6] += n

    def send_body(self, status, body, content_type="text/plain", extra=None, head=False):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for k, v in (extra or []):
            self.send_header(k, v)
        self.end_headers()
        if not head and hasattr(self, "entry"):
            self.count_sent(len(body))
        if not head:
            self.wfile.write(body)

    def do_HEAD(self):
        self.dispatch(head=True)

    def do_GET(self):
        self.dispatch(head=False)

    def do_POST(self):
        self.dispatch(head=False)

    def do_CONNECT(self):
        """A proxy's tunnel, as clients open it for https addresses; logged as method CONNECT
        with the requested host:port."""
        host = self.path.rsplit(":", 1)[0]
        self.entry = self.record(self.path, "", "")
        with LOCK:
            port = STATE.tunnels.get(host)
        upstream = None
        if port:
            try:
                upstream = socket.create_connection(("127.0.0.1", port), timeout=10)
            except OSError:
                upstream = None
        if upstream is None:
            self.send_body(502, b"no tunnel to " + host.encode())
            self.close_connection = True
            return
        self.send_response(200, "Connection established")
        self.end_headers()
        self.close_connection = True
        client = self.connection
        upstream.settimeout(None)
        try:
            while True:
                ready, _, _ = select.select([client, upstream], [], [], 60)
                if not ready:
                    break
                for sock in ready:
                    data = sock.recv(65536)
                    if not data:
                        return
                    (upstream if sock is client else client).sendall(data)
                    if sock is upstream:
                        self.count_sent(len(data))
        except OSError:
            pass
        finally:
            upstream.close()

    def dispatch(self, head):
        host, path, query = self.split_target()
        params = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
        if path.startswith("/_ctl/"):
            length = int(self.headers.get("Content-Length", "0") or 0)
            body = self.rfile.read(length) if length else b""
            self.control(path, params, body)
            return
        self.entry = self.record(host, path, query)
        with LOCK:
            package = STATE.packages.get(path)
            config = STATE.configs.get(path)
        if package is not None:
            self.serve_package(package, head)
        elif config is not None:
            self.serve_config(config, path, query, head)
        elif path.startswith("/_err/") and path[len("/_err/"):].isdigit():
            status = int(path[len("/_err/"):])
            self.send_body(status, ERROR_PAGE % (status, status), "text/html", head=head)
        elif path in ("/qzadmin/operate.php", "/qzadmin/down_speed.php"):
            self.serve_report(head)
        else:
            self.send_body(404, NOT_FOUND_PAGE, "text/html", head=head)

    # ---- services -------------------------------------------------------------------------
    def serve_config(self, config, path, query, head):
        if config["redirect"]:
            if "r=1" not in query.split("&"):
                self.send_body(302, b"moved", extra=[
                    ("Location", path + "?r=1"), ("Set-Cookie", "vlmsession=k7Q2; Path=/")],
                    head=head)
                return
            if "vlmsession=k7Q2" not in self.headers.get("Cookie", ""):
                self.send_body(403, b"cookie missing", head=head)
                return
        body = config["body"]
        if config["crlf"]:
            body = body.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        if config["bom"]:
            body = b"\xef\xbb\xbf" + body
        if config.get("pad"):
            line = b";" + b"p" * 61 + b"\r\n"
            body += (line * (config["pad"] // len(line) + 1))[:config["pad"]]
        self.send_body(config["status"], body, head=head)

    def serve_report(self, head):
        with LOCK:
            silent, delay = STATE.silent_reports, STATE.report_delay
            release = STATE.report_release
        if silent:
            # A reporting host that took the connection and never answers.
            try:
                self.hold(release)
            except (ConnectionResetError, BrokenPipeError):
                pass
            self.close_connection = True
            return
        if delay:
            time.sleep(delay)
        try:
            self.send_body(200, b"ok", head=head)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True  # the client ended meanwhile

    def serve_package(self, pkg, head):
        faults = pkg.faults
        if head and faults.get("head_delay"):
            time.sleep(faults["head_delay"] / 1000.0)
        if self.answer_fault(pkg, head):
            return
        if faults.get("not_found"):
            self.send_body(404, NOT_FOUND_PAGE, "text/html", head=head)
            return
        size = pkg.size
        start = 0
        status = 200
        rng = self.headers.get("Range", "")
        if rng.startswith("bytes=") and not head and not faults.get("ignore_range"):
            first = rng[len("bytes="):].split("-")[0]
            if first.isdigit():
                start = int(first)
                status = 206
        if start > size or (status == 206 and start == size and size > 0):
            self.send_body(416, b"range not satisfiable")
            return
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        overlong = None if head else self.take_overlong(pkg)
        if overlong is not None and not overlong[1]:
            self.send_header("Connection", "close")
            self.close_connection = True
        elif pkg.send_length:
            self.send_header("Content-Length",
                             str(size - start + (overlong[0] if overlong else 0)))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        if pkg.send_etag:
            self.send_header("ETag", pkg.etag)
        self.send_header("Accept-Ranges", "bytes")
        if not pkg.send_length and not self.close_connection:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if not head:
            if self.stream(pkg, start, size) and overlong is not None:
                self.send_extra(overlong[0])

    def take_overlong(self, pkg):
        """(extra bytes, announced) for this GET when the overlong fault applies, else None."""
        faults = pkg.faults
        with LOCK:
            n = faults.get("overlong")
            if not n or faults.get("overlong_times", 1) <= 0:
                return None
            faults["overlong_times"] = faults.get("overlong_times", 1) - 1
            return n, bool(faults.get("overlong_announced"))

    def send_extra(self, n):
        try:
            block = b"\xa5" * 65536
            while n > 0:
                data = block[:min(n, len(block))]
                self.count_sent(len(data))
                self.wfile.write(data)
                n -= len(data)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True

    def answer_fault(self, pkg, head):
        """Serves the injected error answer instead of the package; True when it did."""
        faults = pkg.faults
        status = faults.get("answer")
        target = faults.get("answer_to", "get")
        if not status or (target != "both" and target != ("head" if head else "get")):
            return False
        with LOCK:
            times = faults.get("answer_times")
            if times is not None:
                if times <= 0:
                    return False
                faults["answer_times"] = times - 1
        body = ERROR_PAGE % (status, status) if faults.get("answer_body", True) else b""
        extra = []
        content_type = "text/html"
        if status == 206:
            # A part of the file, but not the one asked for.
            rng = self.headers.get("Range", "")
            asked = rng[len("bytes="):].split("-")[0] if rng.startswith("bytes=") else "0"
            first = 0 if asked != "0" else 1
            last = min(pkg.size - 1, first + 4095)
            body = pkg.read(first, last - first + 1) if faults.get("answer_body", True) else b""
            extra.append(("Content-Range", "bytes %d-%d/%d" % (first, last, pkg.size)))
            content_type = "application/octet-stream"
        elif status in (301, 302, 303, 307):
            extra.append(("Location", "/_err/500"))
        self.send_body(status, body, content_type, extra, head=head)
        return True

    def stream(self, pkg, start, size):
        """Sends the file from start; True when every byte went out."""
        faults = pkg.faults
        cut = None
        with LOCK:
            if faults.get("cut_after") is not None and faults.get("cut_times", 1) > 0:
                cut = start + faults["cut_after"]
                faults["cut_times"] = faults.get("cut_times", 1) - 1
        stall = faults.get("stall_after")
        stall_at = start + stall if stall is not None else None
        rate = faults.get("rate")
        wrong = size // 2 if faults.get("wrong_bytes") else None
        pos = start
        chunk = 256 * 1024
        try:
            while pos < size:
                if cut is not None and pos >= cut:
                    self.abort_connection()
                    return False
                if stall_at is not None and pos >= stall_at:
                    self.stall(pkg)
                    stall_at = None
                    continue
                n = min(chunk, size - pos)
                if rate:
                    n = min(n, max(1, rate // 20))
                if cut is not None:
                    n = min(n, cut - pos)
                if stall_at is not None:
                    n = min(n, stall_at - pos)
                data = pkg.read(pos, n)
                if wrong is not None and pos <= wrong < pos + len(data):
                    b = bytearray(data)
                    b[wrong - pos] ^= 0xFF
                    data = bytes(b)
                self.count_sent(len(data))
                self.wfile.write(data)
                pos += len(data)
                if rate:
                    time.sleep(len(data) / rate)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            self.close_connection = True
            return False
        return True

    def stall(self, pkg):
        """Keeps the connection open without sending until released or the client leaves."""
        self.hold(pkg.stall_release)

    def hold(self, release):
        """Sends nothing until release is set, the client leaves, or ten minutes pass."""
        self.wfile.flush()
        deadline = time.time() + 600
        while time.time() < deadline and not release.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(1, socket.MSG_PEEK):
                        raise ConnectionResetError()
                except OSError:
                    raise ConnectionResetError()

    def abort_connection(self):
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    # ---- control --------------------------------------------------------------------------
    def control(self, path, p, body):
        def ok(text="ok"):
            self.send_body(200, text.encode())

        with LOCK:
            if path == "/_ctl/reset":
                for pkg in STATE.packages.values():
                    pkg.stall_release.set()
                STATE.reset()
                return ok()
            if path == "/_ctl/requests":
                lines = ["\t".join([m, h, pa, q, r, c, str(s), x]) for m, h, pa, q, r, c, s, x in
                         STATE.requests]
                return ok("".join(line + "\n" for line in lines))
            if path == "/_ctl/clear_requests":
                STATE.requests = []
                return ok()
        if path == "/_ctl/package":
            size = int(p.get("size", "0"))
            if body:
                size = len(body)
            pkg = Package(size, int(p.get("seed", "1")), p.get("etag", '"v1"'),
                          p.get("noetag") != "1", p.get("nolength") != "1",
                          p.get("pattern") == "1" or size > 64 * 1024 * 1024)
            if body:  # a POST body is the package itself (e.g. a real setup program)
                pkg.data, pkg.pattern = body, False
                pkg.md5 = pkg._md5()
            with LOCK:
                old = STATE.packages.get(p["path"])
                if old is not None:
                    old.stall_release.set()
                STATE.packages[p["path"]] = pkg
            return ok(pkg.md5)
        with LOCK:
            if path == "/_ctl/fault":
                pkg = STATE.packages.get(p.get("path", ""))
                if pkg is None:
                    return self.send_body(404, b"no such package")
                if p.get("clear") == "1":
                    pkg.faults = {}
                    pkg.stall_release.set()
                if p.get("release") == "1":
                    pkg.stall_release.set()
                    pkg.faults.pop("stall_after", None)
                for key in ("cut_after", "cut_times", "stall_after", "rate", "answer",
                            "answer_times", "overlong", "overlong_times", "head_delay"):
                    if key in p:
                        pkg.faults[key] = int(p[key])
                        if key == "stall_after":
                            pkg.stall_release.clear()
                for key in ("wrong_bytes", "not_found", "ignore_range", "overlong_announced"):
                    if key in p:
                        pkg.faults[key] = p[key] == "1"
                if "answer_to" in p:
                    pkg.faults["answer_to"] = p["answer_to"]
                if "answer_body" in p:
                    pkg.faults["answer_body"] = p["answer_body"] != "0"
                return ok()
            if path == "/_ctl/reports":
                if "silent" in p:
                    STATE.silent_reports = p["silent"] == "1"
                    if not STATE.silent_reports:
                        STATE.report_release.set()
                        STATE.report_release = threading.Event()
                if "delay_ms" in p:
                    STATE.report_delay = int(p["delay_ms"]) / 1000.0
                return ok()
            if path == "/_ctl/tunnel":
                port = int(p.get("port", "0"))
                if port:
                    STATE.tunnels[p["host"]] = port
                else:
                    STATE.tunnels.pop(p["host"], None)
                return ok()
            if path == "/_ctl/config":
                STATE.configs[p["path"]] = {
                    "body": body, "status": int(p.get("status", "200")),
                    "bom": p.get("bom") == "1", "crlf": p.get("crlf") == "1",
                    "redirect": p.get("redirect") == "1", "pad": int(p.get("pad", "0"))}
                return ok()
        return self.send_body(404, b"unknown control")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--port-file")
    ap.add_argument("--lifetime", type=float, default=900.0)
    ap.add_argument("--silent-reports", action="store_true",
                    help="reporting endpoints accept requests and never answer")
    args = ap.parse_args()
    global SILENT_REPORTS_AT_START
    SILENT_REPORTS_AT_START = args.silent_reports
    STATE.reset()
    server = Server(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.port_file)
    else:
        print(port, flush=True)

    def stop_later():
        time.sleep(args.lifetime)
        os._exit(0)

    threading.Thread(target=stop_later, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
