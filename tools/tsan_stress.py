#!/usr/bin/env python3
"""Drives `scanner-sim run` (a thread-sanitizer build) from every side at once and reports
what the sanitizer found.

    tsan_stress.py SCANNER_SIM SECONDS [--keys GROUP,...] [--model keyboard|usb-serial|uart]
                   [--seed N] [--log-dir DIR] [--list]

For SECONDS, the USB serial and the UART pseudo-terminals each send commands back to back
(`set` of the keys of the chosen groups, `get`, `save`, `load`, `set_default`,
`set_default_to_bank`, `set bank`), while standard input pulls and lets go the trigger
every few milliseconds, swaps the image before the camera and looks at the keyboard and
the indicators. Then `quit`, and the sanitizer's reports are read from its log: each
distinct report (its kind and the top frames of its two accesses) is listed with its count.

The USB keyboard model (the default) keeps labels off both serial ports, so every command
must get exactly one reply of its form (ACK or NAK, or a text and CR for `get`); on a
serial model the labels share a port and only liveness is checked.

Exit status 0 when the sanitizer reported nothing, every command got its reply and the
program left with status 0; 1 otherwise; 2 for a wrong invocation.
"""
import argparse
import os
import pathlib
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

ESC, CR, ACK, NAK = b"\x1b", b"\r", b"\x06", b"\x15"
REPLY_TIMEOUT = 30.0  # seconds; a sanitizer build on two busy cores is slow, never this slow
START_TIMEOUT = 60.0
QUIT_TIMEOUT = 60.0

# The keys a group sets, each with the values it takes turns with (JSON text).
KEY_GROUPS = {
    "prefix_suffix": {
        "string/common_prefix": ['""', '"<"', '"PRE-FIX-1234567890"'],
        "string/common_suffix": ['""', '">\\r"', '"\\t-suffix-\\r\\n"'],
        "string/code128/prefix": ['""', '"C:"'],
        "string/codabar/suffix": ['""', '"!"'],
    },
    "codabar": {
        "code/codabar/enable_abc_cx": ["1", "3", "7"],
        "code/codabar/transmit_start_and_stop": ['"NOT_TRANSMIT"', '"TRANSMIT_ABCD"', '"TRANSMIT_DC1_DC4"'],
        "code/codabar/check_check_digit": ["false", "true"],
        "code/codabar/transmit_check_digit": ["true", "false"],
        "code/codabar/space_insertion": ["false", "true"],
    },
    "keyboard_language": {
        "interface/usb_hid/keyboard/language": ['"USA"', '"GERMAN"', '"FRENCH"', '"UK"', '"DUTCH"'],
    },
    "read": {
        "read/code128": ["true", "false"],
        "read/codabar": ["true", "false"],
        "read/qr_code": ["true", "false"],
    },
    "read_cycle": {
        "trigger/manual/type": ['"SINGLE"', '"MULTIPLE"'],
        "trigger/manual/extended_read_time/time": ["50", "3", "20"],
    },
    "case_conversion": {
        "string/case_conversion": ['"NO_CASE_CONVERSION"', '"CONVERT_TO_LOWER_CASE"', '"EXCHANGE_CASE"'],
    },
    "no_label": {
        "string/error_message/no_label": ['""', '"NO READ"'],
    },
}
ALL_GROUPS = list(KEY_GROUPS)

# Whole-settings commands, sent by every run: each with its weight among the commands.
PERSISTENCE = [("save", 2), ("load", 2), ("set_default", 1), ("set_default_to_bank:3", 1),
               ("set bank:0", 2), ("set bank:1", 1), ("get bank", 2)]

REPORT_START = re.compile(r"^WARNING: ThreadSanitizer: (.+?)(?: \(pid=\d+\))?$")
FRAME = re.compile(r"^\s+#\d+ (.+) (\S+?)(?::(\d+))?(?::\d+)? \(\S+\)$")


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?", help="scanner-sim built with the thread sanitizer")
    parser.add_argument("seconds", nargs="?", type=float)
    parser.add_argument("--keys", default=",".join(ALL_GROUPS),
                        help="key groups to set, comma-separated (default: all; 'none' for none)")
    parser.add_argument("--model", choices=["keyboard", "usb-serial", "uart"], default="keyboard")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--log-dir", help="keep the board, images and logs here (default: a temporary folder)")
    parser.add_argument("--list", action="store_true", help="list the key groups and their keys")
    arguments = parser.parse_args()
    if arguments.list:
        return arguments
    if arguments.program is None or arguments.seconds is None or arguments.seconds <= 0:
        parser.error("give the scanner-sim program and a duration in seconds")
    groups = [] if arguments.keys.strip() == "none" else [g.strip() for g in arguments.keys.split(",") if g.strip()]
    unknown = [g for g in groups if g not in KEY_GROUPS]
    if unknown:
        parser.error(f"unknown key group(s) {', '.join(unknown)}; known: {', '.join(ALL_GROUPS)}")
    arguments.groups = groups
    return arguments


# ---- the board and the images ----

FACTORY_INTERFACE = {"keyboard": 10, "usb-serial": 9, "uart": 0}


def prepare_board(folder, model):
    board = folder / "board"
    board.mkdir()
    # The parameter partition names the model; the rest of the flash starts erased.
    (board / "mtd2.bin").write_text('{"factorysettings":{"interface":%d}}' % FACTORY_INTERFACE[model])
    return board


def write_pgm(path, width, height, grey):
    with open(path, "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (width, height))
        out.write(bytes([grey]) * (width * height))


def prepare_images(folder):
    """Labels of the symbologies whose formatting the keys change, and a blank frame."""
    images = folder / "images"
    images.mkdir()
    blank = images / "blank.pgm"
    write_pgm(blank, 320, 240, 200)
    made = [blank]
    sample = pathlib.Path(__file__).resolve().parent.parent / "samples" / "code128-scanner-0001.png"
    if sample.exists():
        made.append(sample)
    zint = shutil.which("zint")
    symbols = [("code128", 20, "STRESS-128"), ("codabar", 18, "A40156B"), ("qr", 58, "stress qr")]
    for name, barcode, data in symbols if zint else []:
        path = images / f"{name}.png"
        result = subprocess.run([zint, f"--barcode={barcode}", f"--data={data}", "--notext", "--scale=1",
                                 "--whitesp=10", "--vwhitesp=4", "--height=40", f"--output={path}"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        if result.returncode == 0 and path.exists():
            made.append(path)
    return [str(p) for p in made]


# ---- the program ----

class Program:
    def __init__(self, program, board, log_dir):
        env = dict(os.environ)
        options = env.get("TSAN_OPTIONS", "")
        env["TSAN_OPTIONS"] = ":".join(o for o in [options, "halt_on_error=0", "second_deadlock_stack=1",
                                                   f"log_path={log_dir / 'tsan'}"] if o)
        self.log_dir = log_dir
        self.stderr = open(log_dir / "stderr.txt", "wb")
        self.process = subprocess.Popen([program, "run", "--board", str(board)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=self.stderr, env=env)
        self.ports = {}
        self._started = threading.Event()
        self._reader = threading.Thread(target=self._drain, daemon=True)
        self._reader.start()
        self._started.wait(START_TIMEOUT)

    def _drain(self):
        # The ports first; then what `keyboard` and `indicators` print, read so that the
        # program never blocks on it.
        for line in iter(self.process.stdout.readline, b""):
            match = re.match(r"(USB serial|UART): (\S+)", line.decode(errors="replace"))
            if match and len(self.ports) < 2:
                self.ports[match.group(1)] = match.group(2)
                if len(self.ports) == 2:
                    self._started.set()
        self._started.set()

    def console(self, line):
        try:
            self.process.stdin.write(line.encode() + b"\n")
            self.process.stdin.flush()
            return True
        except (BrokenPipeError, ValueError):
            return False

    def quit(self):
        self.console("quit")
        try:
            self.process.stdin.close()
        except BrokenPipeError:
            pass
        try:
            return self.process.wait(QUIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None
        finally:
            self._reader.join(5)
            self.stderr.close()


def open_terminal(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd, termios.TCSANOW)
    return fd


# ---- the command senders ----

class Sender(threading.Thread):
    """One port: a command, its reply, the next."""

    def __init__(self, name, fd, commands, strict, deadline, seed):
        super().__init__(name=name, daemon=True)
        self.fd, self.commands, self.strict, self.deadline = fd, commands, strict, deadline
        self.random = random.Random(seed)
        self.sent = self.acks = self.naks = self.texts = 0
        self.problems = []
        self.refused = {}  # command -> NAK count
        self.slowest = (0.0, "")

    def run(self):
        while time.monotonic() < self.deadline and not self.problems:
            command = self.random.choice(self.commands)
            try:
                os.write(self.fd, ESC + command.encode() + CR)
            except OSError as error:
                self.problems.append(f"{self.name}: cannot send {command!r}: {error}")
                return
            self.sent += 1
            start = time.monotonic()
            self.await_reply(command)
            self.slowest = max(self.slowest, (time.monotonic() - start, command))

    def await_reply(self, command):
        reply = b""
        until = time.monotonic() + REPLY_TIMEOUT
        while True:
            left = until - time.monotonic()
            if left <= 0:
                self.problems.append(f"{self.name}: no reply to {command!r} in {REPLY_TIMEOUT:.0f} s "
                                     f"(got {reply!r})")
                return
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            try:
                chunk = os.read(self.fd, 4096)
            except OSError as error:
                self.problems.append(f"{self.name}: reading the reply to {command!r}: {error}")
                return
            reply += chunk
            if not self.strict:
                # Labels share the port: any byte shows the channel lives; the rest is drained.
                if ACK in reply or NAK in reply or CR in reply:
                    self.acks += 1
                    return
                continue
            end = next((i for i, b in enumerate(reply) if b in b"\x06\x15\r"), None)
            if end is None:
                continue
            if end + 1 < len(reply):
                self.problems.append(f"{self.name}: more than one reply to {command!r}: {reply!r}")
                return
            expects_text = command.startswith("get ")
            if expects_text and reply[end:end + 1] == CR and end > 0:
                self.texts += 1
            elif not expects_text and end == 0 and reply in (ACK, NAK):
                self.acks += reply == ACK
                self.naks += reply == NAK
                if reply == NAK:
                    self.refused[command] = self.refused.get(command, 0) + 1
            else:
                self.problems.append(f"{self.name}: reply of the wrong form to {command!r}: {reply!r}")
            return


def command_list(groups):
    commands = []
    for group in groups:
        for key, values in KEY_GROUPS[group].items():
            commands.extend(f"set {key}:{value}" for value in values)
            commands.append(f"get {key}")
    for command, weight in PERSISTENCE:
        commands.extend([command] * weight * max(1, len(groups)))
    return commands


# ---- the user at the console ----

def play_user(program, images, deadline, rng, counts):
    while time.monotonic() < deadline:
        if not program.console("trigger"):
            return False
        counts["pulls"] += 1
        time.sleep(rng.uniform(0.002, 0.030))
        program.console("release")
        roll = rng.random()
        if roll < 0.30:
            program.console("image " + rng.choice(images))
            counts["images"] += 1
        elif roll < 0.40:
            program.console("keyboard")
            counts["looks"] += 1
        elif roll < 0.45:
            program.console("indicators")
            counts["looks"] += 1
        time.sleep(rng.uniform(0.004, 0.060))
    return True


# ---- the sanitizer's reports ----

def project_frames(lines, root):
    """The frames of one stack (the lines after its heading) that lie in the project."""
    frames = []
    for line in lines:
        if not line.startswith("    "):
            break  # the stack ends; "[failed to restore the stack]" leaves it empty
        match = FRAME.match(line)
        if match and root and match.group(2).startswith(root):
            function, path, number = match.group(1), match.group(2)[len(root):].lstrip("/"), match.group(3)
            frames.append(f"{path}:{number} {function}" if number else f"{path} {function}")
    return frames


def read_reports(log_dir, root):
    """Distinct reports: the kind and the top project frame of each access, in either order.
    Each maps to [count, the first report's top frames of each access]."""
    distinct = {}
    total = 0
    for log in sorted(log_dir.glob("tsan*")):
        text = log.read_text(errors="replace").splitlines()
        starts = [i for i, line in enumerate(text) if REPORT_START.match(line)]
        for n, start in enumerate(starts):
            end = starts[n + 1] if n + 1 < len(starts) else len(text)
            block = text[start:end]
            kind = REPORT_START.match(block[0]).group(1)
            # Each stack follows a heading such as "  Write of size 1 at ... by thread T5:".
            stacks = []
            for i, line in enumerate(block):
                # An access, or a mutex taken while another was held; not where things were made.
                if re.match(r"^  \S.*:$", line) and not line.startswith("  Location") and \
                        not line.endswith("created at:") and not line.startswith("  Thread"):
                    stacks.append(project_frames(block[i + 1:], root)[:3])
                if len(stacks) == 2:
                    break
            tops = tuple(sorted(stack[0] if stack else "(no project frame)" for stack in stacks))
            entry = distinct.setdefault((kind, tops), [0, stacks])
            entry[0] += 1
            total += 1
    return total, distinct


def main():
    arguments = parse_arguments()
    if arguments.list:
        for group, keys in KEY_GROUPS.items():
            print(f"{group}: {' '.join(keys)}")
        print(f"always: {' '.join(c for c, _ in PERSISTENCE)}")
        return 0
    if not os.access(arguments.program, os.X_OK):
        print(f"tsan_stress: {arguments.program}: not an executable program", file=sys.stderr)
        return 2
    seed = arguments.seed if arguments.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    keep = arguments.log_dir is not None
    folder = pathlib.Path(arguments.log_dir or tempfile.mkdtemp(prefix="tsan-stress-"))
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("tsan*"):
        old.unlink()
    shutil.rmtree(folder / "board", ignore_errors=True)
    shutil.rmtree(folder / "images", ignore_errors=True)
    try:
        return stress(arguments, seed, rng, folder)
    finally:
        if not keep:
            shutil.rmtree(folder, ignore_errors=True)


def stress(arguments, seed, rng, folder):
    board = prepare_board(folder, arguments.model)
    images = prepare_images(folder)
    root = str(pathlib.Path(__file__).resolve().parent.parent)
    print(f"tsan_stress: {arguments.seconds:.0f} s, keys {','.join(arguments.groups) or 'none'}, "
          f"model {arguments.model}, seed {seed}, {len(images)} images", flush=True)
    program = Program(arguments.program, board, folder)
    problems = []
    if len(program.ports) < 2:
        problems.append("the program did not print both serial ports")
        program.quit()
        return report(problems, None, folder, root, [], {}, arguments.log_dir is not None)
    deadline = time.monotonic() + arguments.seconds
    commands = command_list(arguments.groups)
    strict = arguments.model == "keyboard"
    terminals = [open_terminal(program.ports["USB serial"]), open_terminal(program.ports["UART"])]
    senders = [Sender(name, fd, commands, strict, deadline, rng.randrange(1 << 30))
               for name, fd in zip(["USB serial", "UART"], terminals)]
    for sender in senders:
        sender.start()
    counts = {"pulls": 0, "images": 0, "looks": 0}
    if not play_user(program, images, deadline, rng, counts):
        problems.append("the program stopped taking console lines")
    program.console("release")
    for sender in senders:
        sender.join(REPLY_TIMEOUT + 5)
        problems.extend(sender.problems)
    status = program.quit()
    for fd in terminals:
        os.close(fd)
    if status is None:
        problems.append(f"the program did not leave within {QUIT_TIMEOUT:.0f} s of quit")
    return report(problems, status, folder, root, senders, counts, arguments.log_dir is not None)


def report(problems, status, folder, root, senders, counts, kept):
    total, distinct = read_reports(folder, root)
    for sender in senders:
        print(f"{sender.name}: {sender.sent} commands, {sender.acks} ACK, {sender.naks} NAK, "
              f"{sender.texts} texts; slowest reply {sender.slowest[0] * 1000:.0f} ms ({sender.slowest[1]})")
        for command, count in sorted(sender.refused.items()):
            print(f"  NAK {count} x {command}")
    if counts:
        print(f"console: {counts['pulls']} trigger pulls, {counts['images']} image swaps, "
              f"{counts['looks']} looks")
    print(f"exit status: {status}")
    print(f"thread sanitizer: {total} reports, {len(distinct)} distinct")
    for (kind, _), (count, stacks) in sorted(distinct.items(), key=lambda item: -item[1][0]):
        print(f"  {count} x {kind}")
        for stack in stacks:
            print("    " + (" <- ".join(stack) if stack else "(no project frame)"))
    if total and kept:
        print(f"logs: {folder}/tsan.*")
    elif total:
        # The folder goes: the first reports whole, for whoever reads the test's output.
        first = sorted(folder.glob("tsan*"))[0].read_text(errors="replace")
        sys.stdout.write(first[:30000])
    for problem in problems:
        print(f"problem: {problem}")
    stderr = folder / "stderr.txt"
    if status not in (0, None) and stderr.exists():
        sys.stdout.write(stderr.read_text(errors="replace")[-2000:])
    return 0 if total == 0 and not problems and status == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
