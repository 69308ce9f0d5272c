#!/usr/bin/env python3
"""The installer's whole road on a real X server, driven by xdotool.

Builds two releases of a small master tree with the program's own builder,
serves them with nginx on 127.0.0.1 (the maker's host with the server list,
and two download servers, all reached through the program's proxy
settings), then runs a copy of the program with a private HOME and settings
folder, stand-in `zenity` (cancels) and `xdg-open` first on PATH:

  fresh   -path WORK/fresh/, install, agree; "INSTALLATION COMPLETE!" on the
          screen; the destination, renamed after the release, equals the
          master, and the master's program in it runs; quit exits 0 with
          the destination saved.
  update  the second release (a file changed, one added, one removed, one
          moved between platform folders) over the first, with one installed
          file edited by hand: its "File: " line is logged, "KEEP THE OLD
          FILE" is clicked, the install completes, the tree equals the new
          master but for the kept file, and the emptied folder is gone.
  reshape a third release over the second that reshapes the tree: a folder
          becomes a file and a file a folder, names change only in letter
          case (one with new content, one folder), and a file the user
          edited moves between platform folders; its directory file also
          has GONE lines spelling current files' paths in another case,
          through "." and through an empty folder name.
          The one question (install, not delete) is answered "OVERWRITE THE
          OLD FILE"; the install completes and the tree equals the third
          master, the user's own files kept.
  hostile over the last install, a release set that tries to reach past
          what it lists: a new file's archive also holds a file the user
          answered "KEEP THE OLD FILE" about, another listed file, a link
          and an entry leaving the destination; another new file's archive
          expands far past its listed size; a GONE line spells a current
          file's path in other letter case. Installed twice, the first
          archive made good between: each install ends with the error
          texts, never "INSTALLATION COMPLETE!", the destination holds just
          what it held (and then the good file), nothing lands beside it.

Every wait watches the log, the destination or the screen (Xvfb's -fbdir
file), with a deadline. Screenshots of every screen go to the keep folder.

Usage: road.py --program PROG --text TEXT_HELPER --work DIR
               [--runs fresh,update,reshape,hostile] [--keep DIR]
TEXT_HELPER draws texts with the program's fonts (tests/installer/xvfb/
road_text.cpp). Exits 0 when every check passed; the work folder is removed
then when --keep names a folder outside it.

As a module (on a running X server whose screen file is in Xvfb's -fbdir):
  r = Road(argparse.Namespace(program=, text=, work=, keep=, runs=, fb=))
  r.setup(); r.fresh(); r.update(); r.reshape(); r.hostile()   or the parts they are made of:
  Program(r, args) .log() .click(window_org, x, y) .wait_exit() .kill()
  r.install_to_the_end(prog, on_question) r.quit(prog) r.shoot(name)
  r.shows(colour, x, y, text) r.screen.pixel(x, y) r.screen.looks(x, y, rgb)
  wait_until(what, check, seconds, step) and Failed for every wait.
"""
import argparse
import hashlib
import os
import random
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

RELEASE = 'Skyrell 8.50 Beta 8'
MAKER = 'www.kestrin-research.example'
W, H = 1024, 768
WAIT = 180  # seconds any one step may take
PROGRAM = 'Linux Generic x86/skyrell-hello'  # an executable of the master
PROGRAM_SAYS = 'hello from the installed copy'


class Failed(Exception):
    pass


def log(msg):
    print('road: ' + msg, flush=True)


def wait_until(what, check, seconds=WAIT, step=0.1):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        got = check()
        if got:
            return got
        time.sleep(step)
    raise Failed('timed out waiting for ' + what)


# ---- files -----------------------------------------------------------------------------------------------------


def put(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def tree_of(root):
    """relative path -> 'd', 'f:' + md5, or 'l:' + link target."""
    out = {}
    for base, dirs, files in os.walk(root):
        for name in dirs + files:
            full = os.path.join(base, name)
            rel = os.path.relpath(full, root)
            if os.path.islink(full):
                out[rel] = 'l:' + os.readlink(full)
            elif os.path.isdir(full):
                out[rel] = 'd'
            else:
                out[rel] = 'f:' + hashlib.md5(open(full, 'rb').read()).hexdigest()
    return out


def expected_install(master):
    """What an install for Linux generic x86 gives: the files and links of
    "All" and "Linux Generic x86" (not other platforms' plug-ins), their
    folders, and the working folders every install makes."""
    want = {}
    for top in ('All', 'Linux Generic x86'):
        for rel, what in tree_of(os.path.join(master, top)).items():
            if what == 'd' or rel == 'Resources/plugins/SKPM.dll':
                continue
            want[rel] = what
            parts = rel.split('/')
            for i in range(1, len(parts)):
                want['/'.join(parts[:i])] = 'd'
    for d in ('Output', 'Output/FMS plans', 'Output/logbooks', 'Output/movies', 'Output/situations', 'Resources',
              'Resources/preferences'):
        want[d] = 'd'
    return want


def tree_diff(want, got):
    lines = ['missing ' + k for k in sorted(want) if k not in got]
    lines += ['differs ' + k for k in sorted(want) if k in got and got[k] != want[k]]
    lines += ['extra ' + k for k in sorted(got) if k not in want]
    return '\n'.join(lines)


def make_masters(work):
    """Two releases: the second changes, adds, removes and moves a file."""
    rnd = random.Random(7)
    m1 = os.path.join(work, 'master1')
    for d in ('Macintosh', 'Windows', 'Linux Generic x86', 'Linux Pentium 3', 'Linux Athlon XP', 'All/Aircraft',
              'All/Airfoils', 'All/Instructions', 'All/Output', 'All/Weapons', 'All/Custom Scenery',
              'All/Resources/plugins', 'All/Resources/default scenery/820 world terrain'):
        os.makedirs(os.path.join(m1, d), exist_ok=True)
    files = {
        'All/Resources/menus/English/Skyrell.txt': 'menus\n',
        'All/Resources/text/English/Skyrell.txt': 'texts\n',
        'All/Aircraft/Glider/glider.acf': bytes(rnd.getrandbits(8) for _ in range(60000)),
        'All/Aircraft/Old/old.acf': 'an old aircraft\n',
        'All/Aircraft/Trainer/trainer.acf': 'a trainer\n',
        'All/Airfoils/naca.afl': 'airfoil\n',
        'All/Instructions/manual.txt': 'manual, first edition\n',
        'All/Instructions/readme.txt': 'read me, first edition\n',
        'All/Resources/plugins/SKPM.so': 'so',
        'All/Resources/plugins/SKPM.dll': 'dll',
        'Linux Generic x86/skyrell-x86': bytes(rnd.getrandbits(8) for _ in range(20000)),
        'Linux Generic x86/Resources/tool.txt': 'a tool that moves\n',
        'Linux Pentium 3/skyrell-p3': 'p3',
        'Windows/Skyrell.exe': 'exe',
    }
    for rel, data in files.items():
        put(os.path.join(m1, rel), data)
    # A program of the release, which must run once installed.
    put(os.path.join(m1, PROGRAM), '#!/bin/sh\necho "%s from $0"\n' % PROGRAM_SAYS)
    os.chmod(os.path.join(m1, PROGRAM), 0o755)
    os.symlink('text/English/Skyrell.txt', os.path.join(m1, 'All/Resources/link.txt'))

    m2 = os.path.join(work, 'master2')
    shutil.copytree(m1, m2, symlinks=True)
    # Every file under a kilobyte: sizes are whole kilobytes, cut, so the
    # update sums to nothing and must still be offered.
    put(os.path.join(m2, 'All/Instructions/manual.txt'), 'manual, second edition\n')
    put(os.path.join(m2, 'All/Instructions/readme.txt'), 'read me, second edition\n')
    put(os.path.join(m2, 'All/Resources/new.txt'), 'new in the second release\n')
    shutil.rmtree(os.path.join(m2, 'All/Aircraft/Old'))
    os.makedirs(os.path.join(m2, 'All/Resources'), exist_ok=True)
    shutil.move(os.path.join(m2, 'Linux Generic x86/Resources/tool.txt'), os.path.join(m2, 'All/Resources/tool.txt'))
    os.rmdir(os.path.join(m2, 'Linux Generic x86/Resources'))
    return m1, m2


def reshaped_master(work, m2):
    """A third release that reshapes the second's tree."""
    m3 = os.path.join(work, 'master3')
    shutil.copytree(m2, m3, symlinks=True)
    # A folder becomes a file, a file a folder.
    shutil.rmtree(os.path.join(m3, 'All/Aircraft/Glider'))
    put(os.path.join(m3, 'All/Aircraft/Glider'), 'the glider, now one file\n')
    os.remove(os.path.join(m3, 'All/Resources/new.txt'))
    put(os.path.join(m3, 'All/Resources/new.txt/inside.txt'), 'a folder now\n')
    # Letter case alone: the same content, new content, a folder.
    os.rename(os.path.join(m3, 'All/Instructions/manual.txt'), os.path.join(m3, 'All/Instructions/MANUAL.txt'))
    os.remove(os.path.join(m3, 'All/Airfoils/naca.afl'))
    put(os.path.join(m3, 'All/Airfoils/NACA.afl'), 'airfoil, revised\n')
    os.rename(os.path.join(m3, 'All/Aircraft/Trainer'), os.path.join(m3, 'All/Aircraft/TRAINER'))
    # Back to a platform folder.
    put(os.path.join(m3, 'Linux Generic x86/Resources/tool.txt'), 'a tool that moves\n')
    os.remove(os.path.join(m3, 'All/Resources/tool.txt'))
    return m3


# ---- images --------------------------------------------------------------------------------------------------------


class Screen:
    """Xvfb's screen file (XWD) and the program's window on it. The window
    may be placed again after it first shows, so every read asks where it is."""

    def __init__(self, path):
        self.path = path
        self.x0 = self.y0 = 0
        self.window = None

    def locate(self):
        if self.window is None:
            return
        geo = xdotool('getwindowgeometry', '--shell', self.window)
        pos = dict(line.split('=') for line in geo.split() if '=' in line)
        if 'X' in pos and 'Y' in pos:
            self.x0, self.y0 = int(pos['X']), int(pos['Y'])

    def read(self):
        self.locate()
        data = open(self.path, 'rb').read()
        f = struct.unpack('>25I', data[:100])
        header, width, height, order, bpp, stride, ncolors = f[0], f[4], f[5], f[7], f[11], f[12], f[19]
        if bpp != 32:
            raise Failed('unexpected bits per pixel %d' % bpp)
        start = header + ncolors * 12
        return data[start:], stride, order

    def window_rgb(self):
        """The window's W x H pixels, top row first, as bytes RGB."""
        px, stride, order = self.read()
        out = bytearray()
        for y in range(H):
            o = (self.y0 + y) * stride + self.x0 * 4
            row = px[o:o + W * 4]
            if order == 0:  # BGRX
                r, g, b = row[2::4], row[1::4], row[0::4]
            else:  # XRGB
                r, g, b = row[1::4], row[2::4], row[3::4]
            line = bytearray(W * 3)
            line[0::3], line[1::3], line[2::3] = r, g, b
            out += line
        return bytes(out)

    def looks(self, x, y, rgb, within=3):
        """Whether window pixel (x, y), y down, has the colour rgb."""
        return all(abs(a - b) <= within for a, b in zip(self.pixel(x, y), rgb))

    def pixel(self, x, y):
        """Window pixel (x, y), y down."""
        px, stride, order = self.read()
        o = (self.y0 + y) * stride + (self.x0 + x) * 4
        b = px[o:o + 4]
        return (b[2], b[1], b[0]) if order == 0 else (b[1], b[2], b[3])


def write_png(path, rgb, w=W, h=H):
    raw = b''.join(b'\0' + rgb[y * w * 3:(y + 1) * w * 3] for y in range(h))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(raw, 6)))
        f.write(chunk(b'IEND', b''))


class Texts:
    """Texts drawn with the program's own fonts, to find on the screen.

    The glyphs are never wholly opaque, so each text is drawn on black and on
    white: per pixel, black gives the ink it lays down and white the share of
    the ground that still shows through."""

    def __init__(self, helper, work):
        self.helper, self.work, self.cache = helper, work, {}

    def _draw(self, col, x, y, text, white):
        out = os.path.join(self.work, 'text-%d%s.ppm' % (len(self.cache), '-white' if white else ''))
        env = dict(os.environ, SDL_VIDEODRIVER='offscreen')
        env.pop('DISPLAY', None)
        subprocess.run([self.helper] + (['-white'] if white else []) + [out, str(col), str(x), str(y), text],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        data = open(out, 'rb').read()
        os.remove(out)
        return data[data.index(b'255\n') + 4:]

    def ink(self, col, x, y, text):
        """[(x, y, ink, see_through)] for the pixels at least a quarter
        covered, and the box (x0, y0, x1, y1) around every touched pixel."""
        key = (col, x, y, text)
        if key not in self.cache:
            black, white = self._draw(col, x, y, text, False), self._draw(col, x, y, text, True)
            pts, xs, ys = [], [], []
            for i in range(0, len(black), 3):
                b, w = black[i:i + 3], white[i:i + 3]
                if b == b'\0\0\0' and w == b'\xff\xff\xff':
                    continue
                px, py = i // 3 % W, i // 3 // W
                xs.append(px)
                ys.append(py)
                through = [(w[k] - b[k]) / 255.0 for k in range(3)]
                if max(through) <= 0.75:
                    pts.append((px, py, tuple(b), through))
            box = (min(xs), min(ys), max(xs), max(ys)) if xs else None
            self.cache[key] = (pts, box)
        return self.cache[key]

    def shown(self, screen_rgb, col, x, y, text):
        pts, box = self.ink(col, x, y, text)
        if len(pts) < 20:
            raise Failed('too few pixels for the text %r' % text)
        # The ground: the commonest colour around the text that no glyph touches.
        touched = set((px, py) for px, py, _, _ in pts)
        counts = {}
        for py in range(max(box[1] - 3, 0), min(box[3] + 4, H)):
            for px in range(max(box[0] - 3, 0), min(box[2] + 4, W)):
                if (px, py) in touched:
                    continue
                o = (py * W + px) * 3
                p = screen_rgb[o:o + 3]
                counts[p] = counts.get(p, 0) + 1
        ground = max(counts, key=counts.get)
        good = 0
        for px, py, inked, through in pts:
            o = (py * W + px) * 3
            if all(abs(screen_rgb[o + k] - (inked[k] + through[k] * ground[k])) <= 6 for k in range(3)):
                good += 1
        return good >= 0.95 * len(pts)


# ---- servers and the program -----------------------------------------------------------------------------------------


def free_port():
    s = socket.socket()
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port


class Nginx:
    def __init__(self, work, hosts):
        self.dir = os.path.join(work, 'nginx')
        os.makedirs(self.dir, exist_ok=True)
        for attempt in range(5):
            self.port = free_port()
            listen = '    listen 127.0.0.1:%d' % self.port
            servers = '  server {\n%s default_server;\n    return 404;\n  }\n' % listen
            for host, root in hosts:
                servers += '  server {\n%s;\n    server_name %s;\n    root "%s";\n%s  }\n' % (
                    listen, host, root, self.locations(host))
            d = self.dir
            conf = ('daemon off;\nmaster_process off;\nworker_processes 1;\npid %s/nginx.pid;\n'
                    'error_log %s/error.log;\nevents { worker_connections 64; }\nhttp {\n'
                    '  client_body_temp_path %s/body;\n  proxy_temp_path %s/proxy;\n'
                    '  fastcgi_temp_path %s/fastcgi;\n  uwsgi_temp_path %s/uwsgi;\n  scgi_temp_path %s/scgi;\n'
                    '  default_type application/octet-stream;\n  access_log %s/access.log;\n%s}\n'
                    % (d, d, d, d, d, d, d, d, servers))
            put(os.path.join(d, 'nginx.conf'), conf)
            self.proc = subprocess.Popen(['nginx', '-p', d, '-c', os.path.join(d, 'nginx.conf')],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and self.proc.poll() is None:
                try:
                    socket.create_connection(('127.0.0.1', self.port), 0.2).close()
                    return
                except OSError:
                    time.sleep(0.05)
            self.stop()
        raise Failed('nginx did not start')

    def locations(self, host):
        """Location blocks for one host's server; none here."""
        return ''

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def xdotool(*args, timeout=30):
    return subprocess.run(['xdotool'] + [str(a) for a in args], capture_output=True, text=True,
                          timeout=timeout).stdout


class Program:
    """One run of the program's copy, its window and its log."""

    def __init__(self, road, args):
        self.road = road
        self.log_path = os.path.join(road.app_dir, 'Log.txt')
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        self.err = open(os.path.join(road.work, 'stderr-%s.txt' % road.run), 'wb')
        self.proc = subprocess.Popen([road.app] + args, env=road.env, cwd=road.work, stdout=self.err,
                                     stderr=subprocess.STDOUT)
        self.wid = wait_until('the window', self.find_window, 60, 0.2)
        road.screen.window = self.wid
        xdotool('windowfocus', '--sync', self.wid)

    def find_window(self):
        if self.proc.poll() is not None:
            raise Failed('the program ended at start-up with status %s' % self.proc.returncode)
        for w in xdotool('search', '--onlyvisible', '--pid', self.proc.pid).split():
            geo = xdotool('getwindowgeometry', '--shell', w)
            if 'WIDTH=%d' % W in geo and 'HEIGHT=%d' % H in geo:
                return w
        return None

    def log(self):
        try:
            return open(self.log_path, errors='replace').read()
        except OSError:
            return ''

    def click(self, window_org, x, y):
        """A click at layout point (x, y) of a window whose origin is window_org."""
        ox, oy = window_org
        xdotool('mousemove', '--window', self.wid, round(ox + x), H - round(oy + y), 'click', 1)

    def wait_exit(self, seconds=60):
        try:
            return self.proc.wait(seconds)
        except subprocess.TimeoutExpired:
            raise Failed('the program still runs %d s after quit' % seconds)

    def kill(self):
        if self.proc.poll() is None:
            # What the window showed last, for the shot of a failed run: the
            # run's own clean-up ends the program before that shot is taken.
            try:
                self.road.last_screen = self.road.screen.window_rgb()
            except Exception:
                self.road.last_screen = None
            self.proc.kill()
            self.proc.wait()


# Window origins (layout points, y up) and colours that tell the screens
# apart: the agreement's white text field, the question's grey panel on the
# bare backdrop of the windows other than the main one.
MAIN = (0, 0)
EULA = (262, 234)      # window 1, 500 x 300, centred
QUESTION = (162, 311)  # window 997, 700 x 146, centred
WHITE, PANEL, BACKDROP = (255, 255, 255), (244, 244, 244), (214, 224, 234)


class Road:
    def __init__(self, a):
        self.program, self.work = os.path.abspath(a.program), os.path.abspath(a.work)
        self.keep = os.path.abspath(a.keep or os.path.join(self.work, 'shots'))
        self.runs = a.runs.split(',')
        self.screen = Screen(os.path.join(getattr(a, 'fb', None) or os.environ['SKY_ROAD_FB'], 'Xvfb_screen0'))
        self.texts = Texts(os.path.abspath(a.text), self.work)
        self.run = 'setup'
        self.shots = 0

    def shoot(self, name, rgb=None):
        self.shots += 1
        write_png(os.path.join(self.keep, '%02d-%s-%s.png' % (self.shots, self.run, name)),
                  rgb if rgb is not None else self.screen.window_rgb())

    def shows(self, col, x, y, text):
        return self.texts.shown(self.screen.window_rgb(), col, x, y, text)

    def build(self, master, previous, output):
        """A release set from the program's builder; its checklist is dismissed with Return."""
        set_fold = os.path.join(output, 'MY CONTAINER FOR %s' % RELEASE, RELEASE)
        env = dict(self.env)
        proc = subprocess.Popen([self.app, '--build', '--master', master + '/', '--previous', previous,
                                 '--output', output + '/'], env=env, cwd=self.work, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT
        while proc.poll() is None:
            if time.monotonic() > deadline:
                proc.kill()
                raise Failed('the builder did not finish')
            whole = os.path.exists(os.path.join(set_fold, 'directory.txt.zip')) and \
                not os.path.exists(os.path.join(set_fold, 'directory.txt'))
            if whole:
                for w in xdotool('search', '--pid', proc.pid).split():
                    xdotool('windowfocus', '--sync', w, 'key', 'Return', timeout=5)
            time.sleep(0.2)
        if proc.returncode != 0:
            raise Failed('the builder ended with status %d' % proc.returncode)
        return set_fold

    def setup(self):
        if os.path.exists(self.work):
            shutil.rmtree(self.work)
        os.makedirs(self.keep, exist_ok=True)
        for name in os.listdir(self.keep):
            if re.match(r'\d\d-\w+-[\w-]+\.png$', name):
                os.remove(os.path.join(self.keep, name))
        self.app_dir = os.path.join(self.work, 'app')
        os.makedirs(self.app_dir)
        self.app = os.path.join(self.app_dir, 'skyrell-installer')
        shutil.copy2(self.program, self.app)
        home = os.path.join(self.work, 'home')
        self.config = os.path.join(home, 'config')
        bin_dir = os.path.join(self.work, 'bin')
        os.makedirs(self.config)
        put(os.path.join(bin_dir, 'zenity'), '#!/bin/sh\necho "$@" >> "%s/zenity-calls.txt"\nexit 1\n' % self.work)
        put(os.path.join(bin_dir, 'xdg-open'), '#!/bin/sh\necho "$@" >> "%s/xdg-open-calls.txt"\nexit 0\n' % self.work)
        for tool in ('zenity', 'xdg-open'):
            os.chmod(os.path.join(bin_dir, tool), 0o755)
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=self.config, PATH=bin_dir + ':' + os.environ['PATH'],
                        GALLIUM_DRIVER='llvmpipe', LIBGL_ALWAYS_SOFTWARE='1')
        self.env.pop('SDL_VIDEODRIVER', None)

        self.masters = make_masters(self.work)
        previous = os.path.join(self.work, 'previous.txt')
        put(previous, 'I\n840 version\nINSTALLER\n\n')
        sets = []
        for i, master in enumerate(self.masters):
            out = os.path.join(self.work, 'sets%d' % (i + 1))
            os.makedirs(out)
            log('building release %d' % (i + 1))
            set_fold = self.build(master, previous, out)
            previous = os.path.join(self.work, 'previous%d.txt' % (i + 1))
            # The builder writes one release number; the set it just wrote
            # stands for the release before it.
            text = zipfile.ZipFile(os.path.join(set_fold, 'directory.txt.zip')).read('directory.txt').decode()
            put(previous, '\n'.join(re.sub(r'^(FILE \S+ \S+) 85008 ', r'\1 85007 ', line)
                                    for line in text.split('\n')))
            sets.append(out)
        self.sets = sets
        self.served = os.path.join(self.work, 'served')
        os.symlink(sets[0], self.served)

        www = os.path.join(self.work, 'www')
        folder = '/MY CONTAINER FOR %s/' % RELEASE
        put(os.path.join(www, 'serverlist.txt'),
            'I\n820 version\nSERVERS\nBETA %s\nSERVER srv0.test\n%s\nMirror zero\nSERVER srv1.test\n%s\nMirror one\n'
            'ENDOFLIST\n' % (RELEASE, folder, folder))
        self.nginx = Nginx(self.work, [(MAKER, www), ('srv0.test', self.served), ('srv1.test', self.served)])
        # The reader takes a settings file only after its header lines.
        put(os.path.join(self.config, 'Skyrell Installer.prf'),
            'I\n8500 version\n_download_os 3\n_log_actions 1\n_proxy_host 127.0.0.1\n_proxy_port %d\n_proxy_port_int %d\n'
            % (self.nginx.port, self.nginx.port))

    def serve(self, index):
        os.remove(self.served)
        os.symlink(self.sets[index], self.served)

    def settings(self):
        try:
            return open(os.path.join(self.config, 'Skyrell Installer.prf')).read()
        except OSError:
            return ''

    def install_to_the_end(self, prog, on_question=None):
        """Waits for the armed install button, installs, agrees, answers the
        question if one comes, and waits for the end."""
        wait_until('"You may install at will."', lambda: self.shows(45, 144, 38, 'You may install at will.'))
        self.shoot('main')
        prog.click(MAIN, 491, 89)
        # The agreement panel covers the middle of the screen.
        wait_until('the agreement panel',
                   lambda: self.screen.looks(512, 380, WHITE) and self.screen.looks(512, 300, WHITE))
        self.shoot('agreement')
        prog.click(EULA, 429, 21)
        if on_question:
            on_question(prog)
        wait_until('"INSTALLATION COMPLETE!"', lambda: self.shows(13, 154, 615, 'INSTALLATION COMPLETE!'))
        self.shoot('complete')

    def answer(self, path, want, have, button_y):
        """An on_question that waits for the question about path (its
        "File: " line logged, the panel shown) and clicks the left button at
        button_y: 53 overwrites, 28 keeps."""
        line = 'File: %s  sig_want=%s  sig_have=%s\n' % (
            path, hashlib.md5(want.encode()).hexdigest(), hashlib.md5(have.encode()).hexdigest())

        def on_question(p):
            wait_until('the "File: " line', lambda: line in p.log())
            wait_until('the question', lambda: self.screen.looks(512, 380, PANEL) and
                       self.screen.looks(512, 300, BACKDROP))
            self.shoot('question')
            p.click(QUESTION, 96, button_y)
        return on_question

    def quit(self, prog):
        prog.click(MAIN, 985, 89)
        status = prog.wait_exit()
        if status != 0:
            raise Failed('quit ended the program with status %d' % status)

    def fresh(self):
        dest_parent = os.path.join(self.work, 'fresh')
        os.makedirs(dest_parent)
        prog = Program(self, ['-path', dest_parent + '/'])
        try:
            self.install_to_the_end(prog)
            dest = os.path.join(dest_parent, RELEASE)
            want, got = expected_install(self.masters[0]), tree_of(dest)
            if want != got:
                raise Failed('the fresh install differs from the master:\n' + tree_diff(want, got))
            if os.path.exists(os.path.join(dest_parent, 'Skyrell')):
                raise Failed('the destination was not renamed after the release')
            if 'EXPANDING file ' + dest_parent + '/Skyrell/skyrell-x86, with result=0.\n' not in prog.log():
                raise Failed('no action lines in the log')
            program = os.path.join(dest, os.path.basename(PROGRAM))
            if not os.access(program, os.X_OK) or os.stat(program).st_mode & 0o7022:
                raise Failed('the installed %s is not executable: mode %o' % (program, os.stat(program).st_mode))
            ran = subprocess.run([program], capture_output=True, text=True, timeout=30)
            if ran.returncode != 0 or ran.stdout != '%s from %s\n' % (PROGRAM_SAYS, program):
                raise Failed('the installed %s did not run: %r' % (program, ran))
            self.quit(prog)
        finally:
            prog.kill()
        if '_dest_dir_path %s/\n' % dest not in self.settings():
            raise Failed('the destination was not saved:\n' + self.settings())
        self.dest = dest
        self.current = self.masters[0]

    def update(self):
        dest = os.path.join(self.work, 'fresh', RELEASE)
        if not os.path.isdir(dest):
            raise Failed('the update needs the fresh install first')
        edited = os.path.join(dest, 'Instructions/readme.txt')
        mine = 'read me, with my own notes\n'
        put(edited, mine)
        self.serve(1)
        prog = Program(self, [])

        keep_the_old_file = self.answer(dest + '/Instructions/readme.txt', 'read me, second edition\n', mine, 28)
        try:
            self.install_to_the_end(prog, keep_the_old_file)
            want, got = expected_install(self.masters[1]), tree_of(dest)
            want['Instructions/readme.txt'] = 'f:' + hashlib.md5(mine.encode()).hexdigest()
            if want != got:
                raise Failed('the update differs from the new master:\n' + tree_diff(want, got))
            if os.path.exists(os.path.join(dest, 'Aircraft/Old')):
                raise Failed('the emptied folder is still there')
            self.quit(prog)
            self.current = self.masters[1]
        finally:
            prog.kill()

    def reshape(self):
        dest = os.path.join(self.work, 'fresh', RELEASE)
        if not os.path.isdir(dest):
            raise Failed('the reshaped release needs the update first')
        m3 = reshaped_master(self.work, self.masters[1])
        out = os.path.join(self.work, 'sets3')
        os.makedirs(out)
        log('building release 3')
        set_fold = self.build(m3, os.path.join(self.work, 'previous2.txt'), out)
        # The builder never writes it: a GONE line for a current file's path
        # in another letter case, with that file's signature as a past release.
        archive = os.path.join(set_fold, 'directory.txt.zip')
        text = zipfile.ZipFile(archive).read('directory.txt').decode()
        readme = hashlib.md5(b'read me, second edition\n').hexdigest()
        text += ('\nDIR All/Instructions/\nFILE 0 0 85007 1 1 %s README.TXT\nFILE 0 0 85008 0 0 GONE README.TXT\n'
                 % readme)
        # And GONE lines reaching current files through "." and an empty folder name.
        manual = hashlib.md5(b'manual, second edition\n').hexdigest()
        text += ('DIR All/./Instructions/\nFILE 0 0 85007 1 1 %s readme.txt\nFILE 0 0 85008 0 0 GONE readme.txt\n'
                 'DIR All/Instructions//\nFILE 0 0 85007 1 1 %s MANUAL.txt\nFILE 0 0 85008 0 0 GONE MANUAL.txt\n'
                 % (readme, manual))
        with zipfile.ZipFile(archive, 'w', zipfile.ZIP_DEFLATED) as z:
            z.writestr('directory.txt', text)
        self.sets.append(out)
        self.serve(2)

        # The user's own files, and the kept file of the update put back as
        # the release has it; the moved file edited.
        mine = {'Aircraft/my plane.acf': 'mine\n', 'Output/logbooks/my log.txt': 'flown\n',
                'Resources/my notes.txt': 'notes\n'}
        for rel, data in mine.items():
            put(os.path.join(dest, rel), data)
        put(os.path.join(dest, 'Instructions/readme.txt'), 'read me, second edition\n')
        edited = 'a tool with my changes\n'
        put(os.path.join(dest, 'Resources/tool.txt'), edited)
        prog = Program(self, [])

        overwrite_the_moved_file = self.answer(dest + '/Resources/tool.txt', 'a tool that moves\n', edited, 53)
        try:
            self.install_to_the_end(prog, overwrite_the_moved_file)
            asked = prog.log().count('File: ')
            if asked != 1:
                raise Failed('%d questions instead of one:\n%s' % (asked, prog.log()))
            want, got = expected_install(m3), tree_of(dest)
            for rel, data in mine.items():
                want[rel] = 'f:' + hashlib.md5(data.encode()).hexdigest()
            if want != got:
                raise Failed('the reshaped update differs from the third master:\n' + tree_diff(want, got))
            self.quit(prog)
            self.current = m3
        finally:
            prog.kill()

    def hostile(self):
        dest = os.path.join(self.work, 'fresh', RELEASE)
        if not os.path.isdir(dest):
            raise Failed('the hostile release needs an install first')
        base = self.current
        # A hand-edited file, to be kept.
        mine = 'read me, with my notes once more\n'
        put(os.path.join(dest, 'Instructions/readme.txt'), mine)
        before = tree_of(dest)
        # The installed release with two files added, so that both are fetched.
        m4 = os.path.join(self.work, 'master4')
        shutil.copytree(base, m4, symlinks=True)
        put(os.path.join(m4, 'All/Instructions/notes.txt'), 'notes\n')
        put(os.path.join(m4, 'All/Resources/big.txt'), 'small\n')
        out = os.path.join(self.work, 'sets4')
        os.makedirs(out)
        log('building the hostile release')
        set_fold = self.build(m4, os.path.join(self.work, 'previous2.txt'), out)

        def archive(rel, entries):
            with zipfile.ZipFile(os.path.join(set_fold, rel + '.zip'), 'w', zipfile.ZIP_DEFLATED) as z:
                for name, data in entries:
                    if name.startswith('link:'):
                        info = zipfile.ZipInfo(name[5:])
                        info.external_attr = 0o120777 << 16
                        z.writestr(info, data)
                    else:
                        z.writestr(name, data)
        # The listed file, and beside it the kept file, another listed file,
        # a link and an entry leaving the destination.
        other = next(n for n in sorted(os.listdir(os.path.join(base, 'All/Instructions'))) if n != 'readme.txt')
        archive('All/Instructions/notes.txt', [
            ('notes.txt', 'notes\n'), ('readme.txt', 'not what you kept\n'), (other, 'not the manual\n'),
            ('link:help', '/etc'), ('../../outside.txt', 'escaped\n')])
        # Listed as under a kilobyte; expands to 50 MB.
        archive('All/Resources/big.txt', [('big.txt', bytes(50 * 1000 * 1000))])
        # A GONE line for a current file's path in other letter case, its
        # signature a past release's.
        airfoil = os.listdir(os.path.join(base, 'All/Airfoils'))[0]
        sig = hashlib.md5(open(os.path.join(base, 'All/Airfoils', airfoil), 'rb').read()).hexdigest()
        dir_zip = os.path.join(set_fold, 'directory.txt.zip')
        text = zipfile.ZipFile(dir_zip).read('directory.txt').decode()
        text += '\nDIR All/Airfoils/\nFILE 0 0 85007 1 1 %s %s\nFILE 0 0 85008 0 0 GONE %s\n' % (
            sig, airfoil.swapcase(), airfoil.swapcase())
        with zipfile.ZipFile(dir_zip, 'w', zipfile.ZIP_DEFLATED) as z:
            z.writestr('directory.txt', text)
        self.sets.append(out)
        self.serve(len(self.sets) - 1)

        # The install stops at the first path whose tries run out: one bad
        # archive per attempt, the other one then made good.
        self.hostile_attempt(dest, mine, before, 'Instructions/notes.txt')
        archive('All/Instructions/notes.txt', [('notes.txt', 'notes\n')])
        before['Instructions/notes.txt'] = 'f:' + hashlib.md5(b'notes\n').hexdigest()
        self.hostile_attempt(dest, mine, before, 'Resources/big.txt')

    def hostile_attempt(self, dest, mine, want, refused):
        """One install of the hostile set: the kept file kept again, the
        archive of `refused` refused, the error texts shown, and the
        destination holding `want`, nothing beside it."""
        keep_the_old_file = self.answer(dest + '/Instructions/readme.txt', 'read me, second edition\n', mine, 28)
        prog = Program(self, [])
        try:
            wait_until('"You may install at will."', lambda: self.shows(45, 144, 38, 'You may install at will.'))
            self.shoot('main')
            prog.click(MAIN, 491, 89)
            wait_until('the agreement panel',
                       lambda: self.screen.looks(512, 380, WHITE) and self.screen.looks(512, 300, WHITE))
            prog.click(EULA, 429, 21)
            keep_the_old_file(prog)
            wait_until('the error texts', lambda: self.shows(
                68, 144, 58, 'The installation was not completed because an error occurred.'))
            self.shoot('error')
            if self.shows(13, 154, 615, 'INSTALLATION COMPLETE!'):
                raise Failed('"INSTALLATION COMPLETE!" beside the error texts')
            for y, line in ((48, 'Skyrell is not fully installed or updated and may not run correctly.'),
                            (38, 'Please try a different server, hard drive, or directory, or contact Customer '
                                 'Support for help with this problem.')):
                if not self.shows(68, 144, y, line):
                    raise Failed('the error text %r is not shown' % line)
            got = tree_of(dest)
            if got != want:
                raise Failed('the hostile release changed the destination:\n' + tree_diff(want, got))
            beside = sorted(os.listdir(os.path.dirname(dest)))
            if beside != [RELEASE]:
                raise Failed('items beside the destination: %s' % beside)
            text = prog.log()
            if 'WARNING: the archive of %s/%s does not hold just that file' % (dest, refused) not in text:
                raise Failed('the archive of %s was not refused:\n%s' % (refused, text))
            self.quit(prog)
        finally:
            prog.kill()

    def main(self):
        self.setup()
        try:
            for run in self.runs:
                self.run = run
                self.last_screen = None
                log('%s run' % run)
                try:
                    getattr(self, run)()
                except Failed:
                    self.shoot('failed', getattr(self, 'last_screen', None))
                    raise
        finally:
            self.nginx.stop()
        log('ok; screenshots in ' + self.keep)


def run_main(cls, runs, description, script):
    """The command line of a driver script: cls(args).main() under a private
    X server, with the runs named in `runs` (the default is all of them)."""
    p = argparse.ArgumentParser(description=description)
    p.add_argument('--program', required=True)
    p.add_argument('--text', required=True)
    p.add_argument('--work', required=True)
    p.add_argument('--runs', default=','.join(runs))
    p.add_argument('--keep')
    a = p.parse_args()
    for run in a.runs.split(','):
        if run not in runs:
            p.error('unknown run %r' % run)
    if 'SKY_ROAD_FB' not in os.environ:
        # Once more under a private X server whose screen stays in a file.
        fb = tempfile.mkdtemp()
        child = None
        try:
            env = dict(os.environ, SKY_ROAD_FB=fb)
            cmd = ['xvfb-run', '-a', '-s', '-screen 0 1280x1024x24 -fbdir ' + fb, sys.executable,
                   os.path.abspath(script)] + sys.argv[1:]
            # A group of its own, so that a stop from outside (a test's time
            # out) takes the X server, the servers and the program with it.
            child = subprocess.Popen(cmd, env=env, start_new_session=True)
            return child.wait()
        finally:
            if child and child.poll() is None:
                os.killpg(child.pid, signal.SIGTERM)
                try:
                    child.wait(10)
                except subprocess.TimeoutExpired:
                    os.killpg(child.pid, signal.SIGKILL)
            shutil.rmtree(fb, ignore_errors=True)
    try:
        cls(a).main()
        # The work folder only matters when something failed.
        work, keep = os.path.abspath(a.work), os.path.abspath(a.keep) if a.keep else None
        if keep and os.path.commonpath([work, keep]) != work:
            shutil.rmtree(work, ignore_errors=True)
        return 0
    except (Failed, subprocess.CalledProcessError, subprocess.TimeoutExpired) as e:
        log('FAILED: %s' % e)
        return 1


def main():
    return run_main(Road, ('fresh', 'update', 'reshape', 'hostile'), __doc__.split('\n')[0], __file__)


if __name__ == '__main__':
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
