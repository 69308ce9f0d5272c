#!/usr/bin/env python3
"""One run of the installer for scripts/demo, driven on its private X server
with the end-to-end driver's parts (tests/installer/xvfb/road.py).

  fresh   starts the program with -path DEST_PARENT/, installs, agrees, waits
          for "INSTALLATION COMPLETE!" and quits.
  update  starts it on the saved destination, installs, agrees, answers the
          question about the file edited by hand with "OVERWRITE THE OLD
          FILE", waits for "INSTALLATION COMPLETE!" and quits.

The caller sets DISPLAY, SKY_ROAD_FB (the X server's -fbdir folder), HOME,
XDG_CONFIG_HOME and PATH (stand-in desktop helpers first). Screenshots go to
WORK/shots. Exits 0 when the run ended as it should.

Usage: demo_road.py --run fresh|update --program PROG --text TEXT_HELPER
                    --work DIR [--dest-parent DIR] [--edited PATH]
"""
import argparse
import os
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'tests', 'installer', 'xvfb'))
import road  # noqa: E402

# The question window's heading, in main-window layout points.
QUESTION_HEADING = (road.QUESTION[0] + 20, road.QUESTION[1] + 100)
OVERWRITE = (96, 53)


def say(msg):
    print('demo: ' + msg, flush=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    p.add_argument('--run', required=True, choices=('fresh', 'update'))
    p.add_argument('--program', required=True)
    p.add_argument('--text', required=True)
    p.add_argument('--work', required=True)
    p.add_argument('--dest-parent')
    p.add_argument('--edited', help='the installed file edited by hand (update)')
    a = p.parse_args()
    if a.run == 'fresh' and not a.dest_parent:
        p.error('fresh needs --dest-parent')
    if a.run == 'update' and not a.edited:
        p.error('update needs --edited')

    keep = os.path.join(os.path.abspath(a.work), 'shots')
    os.makedirs(keep, exist_ok=True)
    r = road.Road(argparse.Namespace(program=a.program, text=a.text, work=a.work, keep=keep, runs=a.run,
                                    fb=os.environ['SKY_ROAD_FB']))
    r.run = a.run
    r.shots = len([f for f in os.listdir(keep) if f.endswith('.png')])
    r.app = os.path.abspath(a.program)
    r.app_dir = os.path.dirname(r.app)
    r.env = dict(os.environ)
    r.env.pop('SDL_VIDEODRIVER', None)

    def overwrite(prog):
        road.wait_until('the "File: " line for ' + a.edited, lambda: 'File: %s ' % a.edited in prog.log())
        road.wait_until('the question', lambda: r.shows(42, QUESTION_HEADING[0], QUESTION_HEADING[1],
                                                        'I am about to install:'))
        r.shoot('question')
        say('the question about %s: "OVERWRITE THE OLD FILE"' % a.edited)
        prog.click(road.QUESTION, *OVERWRITE)

    args = ['-path', os.path.abspath(a.dest_parent) + '/'] if a.run == 'fresh' else []
    try:
        prog = road.Program(r, args)
        try:
            r.install_to_the_end(prog, overwrite if a.run == 'update' else None)
            say('%s: "INSTALLATION COMPLETE!" seen' % a.run)
            r.quit(prog)
        finally:
            prog.kill()
    except (road.Failed, OSError, road.subprocess.SubprocessError) as e:
        say('%s: FAILED: %s' % (a.run, e))
        if r.shots or os.path.exists(r.screen.path):
            try:
                r.shoot('failed')
            except (road.Failed, OSError, ValueError):
                pass
        return 1
    return 0


if __name__ == '__main__':
    # Stopped by the demo on error or Ctrl-C: the program goes with it.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(main())
