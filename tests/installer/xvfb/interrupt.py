#!/usr/bin/env python3
"""Installs cut short, and installs onto a full disk, each finished by the
next run of the installer: the whole program on a real X server.

Reuses the end-to-end driver (road.py in this folder) with masters that add
a few large files (an expansion long enough to be caught) and a folder of
notes that the second release half removes, and with an nginx whose rate a
flag file slows per run. Every kill is a SIGKILL, timed by what the program
leaves behind: its log (action lines on), its temporary folder and the
destination. The deletions, which all run within one frame, are caught by
reading the log through a pipe that stops being read: the program blocks on
its next lines, between two deletions.

  interrupt  fresh install killed during the directory fetch, mid-download
             and mid-expansion, then run to the end; then the update to the
             second release killed during its deletions and run to the end.
             After each finished run the destination equals the release,
             holds no half-written or downloaded leftovers, and the files
             the user added between the runs are untouched; at the end no
             temporary folder of any run is left.
  full       a destination on a small tmpfs that fills up during the
             install: the extraction alert and the end screen's error texts,
             never "INSTALLATION COMPLETE!"; a later run with room finishes
             the install. Needs root (mount) and fails, not skips, without.

Usage: interrupt.py --program PROG --text TEXT_HELPER --work DIR
                    [--runs interrupt,full] [--keep DIR]
"""
import fcntl
import os
import re
import select
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import road  # noqa: E402
from road import EULA, MAIN, Failed, put, tree_diff, tree_of, wait_until  # noqa: E402

BIG = 'All/Aircraft/Big/'
F_SETPIPE_SZ = 1031
ALERT = (312, 269)
NOTES = 120  # the second release removes half: more lines than a pipe holds  # window 995, 400 x 230, centred


def log(msg):
    print('interrupt: ' + msg, flush=True)


def masters(work):
    """The driver's two releases, plus three large files whose expansion takes
    a while, and notes of which the second release changes the odd ones and
    removes the even ones and a whole folder."""
    m1, m2 = ORIGINAL_MAKE_MASTERS(work)
    line = b'%08d the same line of scenery, over and over, to inflate slowly\n'
    big = b''.join(line % i for i in range(300000))
    for m in (m1, m2):
        for i in range(3):
            put(os.path.join(m, BIG, 'big%d.dat' % i), big + b'%d' % i)
    for i in range(1, NOTES + 1):
        put(os.path.join(m1, 'All/Instructions/Notes/n%03d.txt' % i), 'note %d, first release\n' % i)
        if i % 2:
            put(os.path.join(m2, 'All/Instructions/Notes/n%03d.txt' % i), 'note %d, second release\n' % i)
    for name in ('a.txt', 'b.txt'):
        put(os.path.join(m1, 'All/Instructions/Notes/Gone', name), 'a note of the first release\n')
    return m1, m2


ORIGINAL_MAKE_MASTERS = road.make_masters


class RatedNginx(road.Nginx):
    """The driver's servers, but slowed while flag files exist: "slow-dir"
    holds the directory archive to a trickle, "slow-files" every other
    archive to a few kilobytes a second."""

    flags = None

    def locations(self, host):
        if host == road.MAKER:
            return ''
        f = RatedNginx.flags
        return ('    location ~ /directory\\.txt\\.zip$ {\n      if (-f "%s/slow-dir") { set $limit_rate 200; }\n'
                '    }\n    location / {\n      if (-f "%s/slow-files") { set $limit_rate 16k; }\n    }\n' % (f, f))


def leftovers(dest):
    """Half-written files and archives the program may leave in a destination."""
    out = []
    for base, dirs, files in os.walk(dest):
        for name in files + dirs:
            if re.match(r'\.new-\d+-\d+$', name) or name.endswith('.zip') or name.startswith('directory.txt'):
                out.append(os.path.relpath(os.path.join(base, name), dest))
    return out


def blocked(pid):
    """Whether one of the process's threads (the scheduler has one of its
    own) waits in a write to a full pipe."""
    try:
        tasks = os.listdir('/proc/%d/task' % pid)
    except OSError:
        return False
    for task in tasks:
        try:
            if 'pipe_write' in open('/proc/%d/task/%s/wchan' % (pid, task)).read():
                return True
        except OSError:
            pass
    return False


class AppFolder:
    """The driver seen with another folder for the program's log copy."""

    def __init__(self, road_, folder):
        self.__dict__.update(road_.__dict__)
        self.app_dir = folder


def partial(path, at_least=0):
    """Whether path is an archive begun but not whole (no end record yet)."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError:
        return False
    return len(data) >= at_least and data[-22:-18] != b'PK\x05\x06'


class StalledLog:
    """The program's log through a pipe that is read here into a copy, until
    a line holding `stop_at` arrives: then reading stops, the pipe (one page)
    fills, and the program blocks on one of its next log lines, in the
    middle of what it was doing."""

    def __init__(self, fifo, copy, stop_at):
        self.fifo, self.copy, self.stop_at = fifo, copy, stop_at
        if os.path.exists(fifo):
            os.remove(fifo)
        os.mkfifo(fifo)
        self.fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        fcntl.fcntl(self.fd, F_SETPIPE_SZ, 4096)
        self.stopped = threading.Event()
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.relay, daemon=True)
        self.thread.start()

    def relay(self):
        seen = b''
        with open(self.copy, 'ab') as out:
            while not self.done.is_set():
                ready, _, _ = select.select([self.fd], [], [], 0.05)
                data = os.read(self.fd, 65536) if ready else b''
                if not data:
                    time.sleep(0.005)  # no writer yet, or none any more
                    continue
                out.write(data)
                out.flush()
                seen = seen[-1000:] + data
                if self.stop_at.encode() in seen:
                    self.stopped.set()
                    return

    def close(self):
        self.done.set()
        self.thread.join()
        os.close(self.fd)
        os.remove(self.fifo)


class Interrupt(road.Road):
    def setup(self):
        self.flags = os.path.join(self.work, 'flags')
        RatedNginx.flags = self.flags
        road.make_masters, road.Nginx = masters, RatedNginx
        try:
            super().setup()
        finally:
            road.make_masters, road.Nginx = ORIGINAL_MAKE_MASTERS, RatedNginx.__bases__[0]
        os.makedirs(self.flags)
        # The program's temporary folders, where they can be watched.
        self.tmp = os.path.join(self.work, 'tmp')
        os.makedirs(self.tmp)
        self.env['TMPDIR'] = self.tmp

    # ---- helpers ----

    def slow(self, *which):
        for name in ('slow-dir', 'slow-files'):
            path = os.path.join(self.flags, name)
            if name in which:
                put(path, '')
            elif os.path.exists(path):
                os.remove(path)

    def temp_of(self, prog):
        """The temporary folder this run logged."""
        got = re.search(r'^os_dir_temp:(.*/)$', prog.log(), re.M)
        return got.group(1) if got else None

    def start_install(self, prog):
        """Waits for the armed install button, presses it and agrees."""
        wait_until('"You may install at will."', lambda: self.shows(45, 144, 38, 'You may install at will.'))
        prog.click(MAIN, 491, 89)
        wait_until('the agreement panel',
                   lambda: self.screen.looks(512, 380, road.WHITE) and self.screen.looks(512, 300, road.WHITE))

    def agree(self, prog):
        prog.click(EULA, 429, 21)

    def kill(self, prog, what):
        prog.proc.send_signal(signal.SIGKILL)
        prog.proc.wait()
        log('killed ' + what)

    def finish(self, prog, dest, master, mine):
        """Runs the started program to the end and checks the destination."""
        self.start_install(prog)
        self.agree(prog)
        wait_until('"INSTALLATION COMPLETE!"', lambda: self.shows(13, 154, 615, 'INSTALLATION COMPLETE!'))
        self.shoot('complete')
        self.quit(prog)
        self.check(dest, master, mine)

    def check(self, dest, master, mine):
        want, got = road.expected_install(master), tree_of(dest)
        for rel, data in mine.items():
            want[rel] = 'f:' + road.hashlib.md5(data.encode()).hexdigest()
            parts = rel.split('/')
            for i in range(1, len(parts)):
                want['/'.join(parts[:i])] = 'd'
        if want != got:
            raise Failed('%s differs from the release and the user\'s files:\n%s' % (dest, tree_diff(want, got)))
        left = leftovers(dest)
        if left:
            raise Failed('leftovers in %s: %s' % (dest, ', '.join(left)))

    def add_mine(self, dest, mine, files):
        for rel, data in files.items():
            put(os.path.join(dest, rel), data)
            mine[rel] = data

    # ---- runs ----

    def interrupt(self):
        parent = os.path.join(self.work, 'int')
        os.makedirs(parent)
        dest = os.path.join(parent, 'Skyrell')
        mine = {}

        # During the directory fetch: its archive is arriving (the program
        # makes the file when the reply's body starts).
        self.slow('slow-dir')
        prog = Program(self, ['-path', parent + '/'])
        try:
            def fetching():
                temp = self.temp_of(prog)
                return temp and os.path.exists(temp + 'directory.txt.zip') and temp + 'directory.txt.zip'
            archive = wait_until('the directory archive to arrive', fetching, step=0.02)
            self.kill(prog, 'during the directory fetch')
            if not partial(archive):
                raise Failed('the kill came after the directory fetch')
        finally:
            prog.kill()

        # Mid-download: an archive of a file is arriving.
        self.slow('slow-files')
        prog = Program(self, ['-path', parent + '/'])
        try:
            self.start_install(prog)
            self.agree(prog)

            def downloading():
                temp = self.temp_of(prog)
                return [temp + '%d.zip' % k for k in range(4) if partial(temp + '%d.zip' % k, 1)]
            wait_until('an archive to arrive', downloading, step=0.02)
            self.shoot('download')
            self.kill(prog, 'mid-download')
            if not downloading():
                raise Failed('the kill came after the download')
        finally:
            prog.kill()
        self.add_mine(dest, mine, {'Output/my flight.txt': 'my own flight\n',
                                   'Aircraft/Mine/mine.acf': 'my own aircraft\n'})

        # Mid-expansion: a large file is being written beside its place.
        self.slow()
        prog = Program(self, ['-path', parent + '/'])
        big_dir = os.path.join(dest, BIG[len('All/'):])
        try:
            self.start_install(prog)
            self.agree(prog)

            def expanding():
                if prog.proc.poll() is not None:
                    raise Failed('the program ended during the install')
                try:
                    return [n for n in os.listdir(big_dir) if n.startswith('.new-')]
                except OSError:
                    return None
            half = wait_until('a file to be expanded', expanding, step=0.001)
            self.kill(prog, 'mid-expansion of ' + half[0])
            if not any(n.startswith('.new-') for n in os.listdir(big_dir)):
                raise Failed('the kill came after the expansion')
        finally:
            prog.kill()

        prog = Program(self, ['-path', parent + '/'])
        dest = os.path.join(parent, road.RELEASE)
        try:
            self.finish(prog, dest, self.masters[0], mine)
        finally:
            prog.kill()
        self.dest = dest

        # During the deletions of the update, which come last, one after
        # another in one frame: the program is held on its log.
        self.add_mine(dest, mine, {'Instructions/Notes/Gone/mine.txt': 'my note among the removed ones\n'})
        self.serve(1)
        gone = [os.path.join(dest, 'Instructions/Notes/n%03d.txt' % i) for i in range(2, NOTES + 1, 2)]
        copy_dir = os.path.join(self.work, 'log-copy')
        os.makedirs(copy_dir, exist_ok=True)
        held = StalledLog(os.path.join(self.app_dir, 'Log.txt'), os.path.join(copy_dir, 'Log.txt'),
                          'now we want to nuke a file: DELETING  file ' + gone[0])
        prog = None
        try:
            prog = Program(AppFolder(self, copy_dir), [])
            self.start_install(prog)
            self.agree(prog)
            wait_until('the first note\'s deletion', held.stopped.is_set)
            # Blocked on a log line once the pipe is full.
            wait_until('the program to block on its log', lambda: blocked(prog.proc.pid))
            self.kill(prog, 'during the deletions')
            still = [p for p in gone if os.path.exists(p)]
            if not still or len(still) == len(gone):
                raise Failed('the kill did not come between deletions: %d of %d left' % (len(still), len(gone)))
        finally:
            if prog:
                prog.kill()
            held.close()

        prog = Program(self, [])
        try:
            self.finish(prog, dest, self.masters[1], mine)
        finally:
            prog.kill()

        # Killed runs' partial downloads go with the next run, a finished
        # run's with its end.
        stale = os.listdir(self.tmp)
        if stale:
            raise Failed('temporary folders left: ' + ', '.join(stale))

    def full(self):
        if os.geteuid() != 0:
            raise Failed('the full-disk run mounts a tmpfs and needs root')
        mount = os.path.join(self.work, 'full')
        os.makedirs(mount)
        # Room for the release and the folders, nothing to spare.
        need = sum(os.path.getsize(os.path.join(b, f)) for b, _, fs in os.walk(self.masters[0]) for f in fs)
        size = need + 4 * 1024 * 1024
        got = subprocess.run(['mount', '-t', 'tmpfs', '-o', 'size=%d,mode=0755' % size, 'sky-full', mount],
                             capture_output=True, text=True)
        if got.returncode != 0:
            raise Failed('cannot mount a tmpfs: ' + got.stderr.strip())
        try:
            self.full_on(mount)
        finally:
            subprocess.run(['umount', mount], check=False)

    def full_on(self, parent):
        self.serve(0)
        self.slow()
        filler = os.path.join(parent, 'filler')
        prog = Program(self, ['-path', parent + '/'])
        try:
            self.start_install(prog)
            # Something else takes the room the program saw.
            fd = os.open(filler, os.O_WRONLY | os.O_CREAT, 0o644)
            try:
                while os.write(fd, b'\0' * 65536) > 0:
                    pass
            except OSError:
                pass
            finally:
                os.close(fd)
            self.agree(prog)

            def alert_or_end():
                rgb = self.screen.window_rgb()
                if self.texts.shown(rgb, 68, 144, 58, 'The installation was not completed because an error occurred.'):
                    return 'end'
                if self.texts.shown(rgb, 42, ALERT[0] + 10, ALERT[1] + 195, 'The installer cannot extract a file.'):
                    return 'alert'
                return None
            alerts = 0
            while wait_until('the extraction alert or the end texts', alert_or_end) == 'alert':
                alerts += 1
                if alerts == 1:
                    self.shoot('alert')
                if alerts > 4:
                    raise Failed('more extraction alerts than streams')
                prog.click(ALERT, 200, 18)
                # A closed alert is logged; the next may show at once.
                wait_until('the alert to close',
                           lambda: prog.log().count('The installer cannot extract a file.\n') == alerts)
            self.shoot('error')
            if not alerts:
                raise Failed('no extraction alert before the error texts')
            if self.shows(13, 154, 615, 'INSTALLATION COMPLETE!'):
                raise Failed('a full disk reported as a complete install')
            if 'The installer cannot extract a file.' not in prog.log():
                raise Failed('the extraction alert is not in the log')
            self.quit(prog)
        finally:
            prog.kill()
        left = leftovers(os.path.join(parent, 'Skyrell'))
        if left:
            raise Failed('leftovers after the full disk: ' + ', '.join(left))

        os.remove(filler)
        prog = Program(self, ['-path', parent + '/'])
        try:
            self.finish(prog, os.path.join(parent, road.RELEASE), self.masters[0], {})
        finally:
            prog.kill()


Program = road.Program


def main():
    # The full run unmounts its disk in a finally block, which a stop from
    # outside reaches too: the driver's X server group is taken whole.
    return road.run_main(Interrupt, ('interrupt', 'full'), __doc__.split('\n')[0], __file__)


if __name__ == '__main__':
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
