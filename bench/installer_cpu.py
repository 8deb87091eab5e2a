#!/usr/bin/env python3
"""CPU use of whole processes during a throttled download, by the system's own counters.

Runs the real installer (clicked as a user would: the window, then Install) and the downloader
alone (bench_download.exe) against the same throttled address, in turn, and reads the CPU ticks
of each Wine process from the host (/proc/<pid>/stat: user and kernel, every thread, those that
ended included) from the first to the last byte of the package file. Wine's server and the
X server are not counted. Prints one line per run and the medians:

  cpu installer <percent of one core> <seconds>
  cpu downloader <percent of one core> <seconds>

usage: installer_cpu.py --url URL --md5 MD5 --size BYTES --prefix PREFIX --source ROOT
                        --downloader bench_download.exe --installer EXE [--installer EXE2 ...]
                        [--runs N] [--threads] [--perf FILE] [--shown tray_select.exe]
Needs a display (xvfb-run) with xdotool. With more than one --installer each is run in turn
(A B A B ...), for before/after pairs. --threads prints each thread's ticks after a run,
--perf records a sampling profile of the installer's window with perf, --shown measures the
window brought back from the notification area while it downloads.
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TICK = os.sysconf("SC_CLK_TCK")


def wine_processes(prefix, name):
    """Pids of the processes of this prefix whose command line names the program."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                program = f.read().split(b"\0")[0]
            # The Windows program itself, not a shell or wrapper that names it.
            if not program.lower().endswith(name.lower().encode()):
                continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                env = f.read().split(b"\0")
        except OSError:
            continue
        if ("WINEPREFIX=" + prefix).encode() in env:
            found.append(int(entry))
    return found


def ticks(pid):
    """User plus kernel ticks of the whole process, ended threads included."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def thread_ticks(pid):
    """{tid: (name, ticks)} of the live threads."""
    result = {}
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(task + "/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open(task + "/comm") as f:
                name = f.read().strip()
        except OSError:
            continue
        result[int(os.path.basename(task))] = (name, int(fields[11]) + int(fields[12]))
    return result


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return -1


def measure(prefix, program, package, size, timeout=300, show_threads=False, perf=None):
    """Waits for the program's process and the package's first byte, then samples until the
    last byte. Returns (percent of one core, seconds)."""
    deadline = time.time() + timeout
    pid = None
    while time.time() < deadline:
        pids = wine_processes(prefix, program)
        if pids:
            pid = pids[0]
            if file_size(package) > 0:
                break
        time.sleep(0.02)
    else:
        raise RuntimeError("no download by %s" % program)
    recorder = None
    if perf:
        recorder = subprocess.Popen(["perf", "record", "-q", "-F", "997", "-g", "-p", str(pid),
                                     "-o", perf], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
    t0, c0, th0 = time.time(), ticks(pid), thread_ticks(pid)
    while file_size(package) < size:
        if time.time() > deadline:
            raise RuntimeError("download by %s did not end" % program)
        time.sleep(0.02)
    t1, c1, th1 = time.time(), ticks(pid), thread_ticks(pid)
    if recorder:
        recorder.send_signal(2)
        recorder.wait()
    if show_threads:
        for tid in sorted(th1):
            name, after = th1[tid]
            before = th0.get(tid, (name, 0))[1]
            if after - before:
                print("  thread %d %-16s %5.2f %%" % (
                    tid, name, 100.0 * (after - before) / TICK / (t1 - t0)), flush=True)
    return 100.0 * (c1 - c0) / TICK / (t1 - t0), t1 - t0


class Session:
    def __init__(self, args):
        sys.path.insert(0, os.path.join(args.source, "tools", "testserver"))
        import velmora_client
        self.client = velmora_client
        self.args = args
        self.server = velmora_client.Server(lifetime=3600)
        config = ("[full]\naddress=%s\nchecksum=%s\n" % (args.url, args.md5)).encode()
        self.server.control("config?path=/update/win/kelto/VLMU.ini&status=200", config)
        self.env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="en_US.UTF-8",
                        http_proxy=self.server.url, no_proxy="127.0.0.1")
        for k in ("https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy"):
            self.env.pop(k, None)
        self.work = tempfile.mkdtemp(prefix="velmora-cpu-")
        with open(os.path.join(self.work, "AmdSupport.txt"), "w") as f:
            f.write("AMD\n")
        self.centres = velmora_client.layout_centres(
            os.path.join(args.source, "resources", "layouts", "main_en.xml"), 46)

    def close(self):
        self.server.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    def downloads(self):
        """Where installers keep the package: the protected folder of an administrator's run
        (today's builds) and the user's folder (earlier builds, a limited user)."""
        return (glob.glob(os.path.join(self.args.prefix, "drive_c", "Program Files",
                                       "Velmora Installer")) +
                glob.glob(os.path.join(self.args.prefix, "drive_c", "users", "*", "AppData",
                                       "Roaming", "BranoInst")))

    def packages(self):
        users = glob.glob(os.path.join(self.args.prefix, "drive_c", "users", "*"))
        users = [u for u in users if os.path.isdir(os.path.join(u, "AppData"))]
        return [os.path.join(self.args.prefix, "drive_c", "Program Files", "Velmora Installer",
                             "release", "Setup.exe")] + [
            os.path.join(u, "AppData", "Roaming", "BranoInst", "VLInst", "Setup.exe")
            for u in users]

    def installer(self, exe):
        for folder in self.downloads():
            shutil.rmtree(folder)
        self.server.control("reset")
        config = ("[full]\naddress=%s\nchecksum=%s\n" % (self.args.url, self.args.md5)).encode()
        self.server.control("config?path=/update/win/kelto/VLMU.ini&status=200", config)
        proc = subprocess.Popen(["wine", exe], env=self.env, cwd=self.work,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            c = self.client
            window = c.wait_for(lambda: c.installer_windows(586), 60, "the main window")[-1]
            # As a user would: the window has been read (its first report is out) before the
            # click.
            c.wait_for(lambda: any(s == "DownloaderStart" for _, s in self.server.steps()), 60,
                       "the first report")
            time.sleep(1)
            c.click_at(window, self.centres["installbtn"])
            if self.args.shown:
                # The user brings the window back from the notification area to watch.
                c.wait_for(lambda: not c.installer_windows(586), 30, "the window to hide")
                subprocess.run(["wine", self.args.shown, "UIMainFrame", "1030", "128"],
                               env=self.env, cwd=self.work, check=True)
                c.wait_for(lambda: c.installer_windows(586), 30, "the window to come back")
            package = self.client.wait_for(
                lambda: next((p for p in self.packages() if file_size(p) >= 0), None), 60,
                "the package file")
            return measure(self.args.prefix, os.path.basename(exe), package, self.args.size,
                           show_threads=self.args.threads, perf=self.args.perf)
        finally:
            proc.kill()
            proc.wait()
            for pid in wine_processes(self.args.prefix, os.path.basename(exe)):
                try:
                    os.kill(pid, 9)
                except OSError:
                    pass

    def downloader(self):
        out = os.path.join(self.work, "slow.bin")
        for path in (out, out + ".cfg"):
            if os.path.exists(path):
                os.unlink(path)
        # Polled once a second, as the installer's progress thread does.
        proc = subprocess.Popen(["wine", self.args.downloader, self.args.url, "Z:" + out,
                                 self.args.md5, "1000"], env=self.env, cwd=self.work,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            return measure(self.args.prefix, os.path.basename(self.args.downloader), out,
                           self.args.size, show_threads=self.args.threads)
        finally:
            proc.wait(timeout=120)


def median(values):
    values = sorted(values)
    return values[(len(values) - 1) // 2]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--url", required=True)
    ap.add_argument("--md5", required=True)
    ap.add_argument("--size", type=int, required=True)
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--source", required=True)
    ap.add_argument("--downloader", required=True)
    ap.add_argument("--installer", action="append", required=True)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--threads", action="store_true")
    ap.add_argument("--perf", help="perf record of the installer's window into this file")
    ap.add_argument("--shown", metavar="TRAY_SELECT_EXE",
                    help="bring the window back from the notification area after the click "
                    "(with this program) and measure it shown")
    args = ap.parse_args()
    args.downloader = os.path.abspath(args.downloader)
    args.installer = [os.path.abspath(exe) for exe in args.installer]
    if args.shown:
        args.shown = os.path.abspath(args.shown)
    session = Session(args)
    figures = {}
    try:
        for _ in range(args.runs):
            for exe in args.installer:
                load = open("/proc/loadavg").read().split()[0]
                use, seconds = session.installer(exe)
                figures.setdefault(exe, []).append(use)
                print("cpu installer %s %.2f %.1f load %s" % (exe, use, seconds, load),
                      flush=True)
            load = open("/proc/loadavg").read().split()[0]
            use, seconds = session.downloader()
            figures.setdefault("downloader", []).append(use)
            print("cpu downloader %.2f %.1f load %s" % (use, seconds, load), flush=True)
    finally:
        session.close()
    for exe in args.installer:
        print("median installer %s %.2f" % (exe, median(figures[exe])))
    print("median downloader %.2f" % median(figures["downloader"]))


if __name__ == "__main__":
    main()
