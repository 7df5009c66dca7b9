#!/usr/bin/python3
"""Presses keys through KWin's org_kde_kwin_fake_input, as a keyboard would:
they go through the compositor's global shortcuts and to the focused window.

Usage: fake_keys.py STEP...
  a key combination in xdotool's words: alt+q, ctrl+c, Return, Escape, F1
  text:WORDS   types WORDS (letters, digits, space, a few marks)

KWin offers the interface only to a program named in a desktop entry with
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input, or to every program when it
runs with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 (the test session). Speaks the Wayland wire protocol itself: Debian has no
Python binding for it."""
import os
import socket
import struct
import sys
import time

KEYS = {"alt": 56, "ctrl": 29, "control": 29, "shift": 42, "super": 125,
        "return": 28, "enter": 28, "escape": 1, "tab": 15, "space": 57, "backspace": 14,
        "up": 103, "down": 108, "left": 105, "right": 106, "delete": 111,
        "minus": 12, "equal": 13, "period": 52, "comma": 51, "slash": 53}
KEYS.update({c: k for c, k in zip("qwertyuiop", range(16, 26))})
KEYS.update({c: k for c, k in zip("asdfghjkl", range(30, 39))})
KEYS.update({c: k for c, k in zip("zxcvbnm", range(44, 51))})
KEYS.update({str(d): 2 + (d - 1) % 10 for d in range(1, 11)})
KEYS["0"] = 11
KEYS.update({"f%d" % n: 58 + n for n in range(1, 11)})
TEXT_MARKS = {" ": "space", "-": "minus", ".": "period", ",": "comma", "/": "slash", "=": "equal"}


class Wayland:
    def __init__(self):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2
        self.buffer = b""

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload)

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def events(self):
        while True:
            while len(self.buffer) >= 8:
                obj, word = struct.unpack("<II", self.buffer[:8])
                size = word >> 16
                if len(self.buffer) < size:
                    break
                payload, self.buffer = self.buffer[8:size], self.buffer[size:]
                yield obj, word & 0xFFFF, payload
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("fake_keys: the compositor closed the connection")
            self.buffer += chunk

    def roundtrip(self, on_event=None):
        callback = self.new_id()
        self.send(1, 0, struct.pack("<I", callback))  # wl_display.sync
        for obj, opcode, payload in self.events():
            if obj == callback:
                return
            if obj == 1 and opcode == 0:  # wl_display.error
                _, code = struct.unpack("<II", payload[:8])
                raise SystemExit("fake_keys: protocol error %d: %s" % (code, payload[12:].split(b"\0")[0].decode()))
            if on_event:
                on_event(obj, opcode, payload)


def main():
    wl = Wayland()
    registry = wl.new_id()
    wl.send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
    found = {}

    def on_global(obj, opcode, payload):
        if obj == registry and opcode == 0:
            name, length = struct.unpack("<II", payload[:8])
            interface = payload[8:8 + length - 1].decode()
            version = struct.unpack("<I", payload[8 + length + (-length % 4):][:4])[0]
            found[interface] = (name, version)

    wl.roundtrip(on_global)
    if "org_kde_kwin_fake_input" not in found:
        raise SystemExit("fake_keys: KWin does not offer org_kde_kwin_fake_input to this program")
    name, version = found["org_kde_kwin_fake_input"]
    if version < 4:
        raise SystemExit("fake_keys: fake input version %d has no keys" % version)
    fake = wl.new_id()
    wl.send(registry, 0, struct.pack("<I", name) + wl.string("org_kde_kwin_fake_input") + struct.pack("<II", 4, fake))
    wl.send(fake, 0, wl.string("Vaultwick e2e") + wl.string("end-to-end test"))  # authenticate

    def key(code, state):
        wl.send(fake, 10, struct.pack("<II", code, state))  # keyboard_key
        wl.roundtrip()
        time.sleep(0.03)

    def combo(spec):
        codes = []
        for part in spec.lower().split("+"):
            if part not in KEYS:
                raise SystemExit("fake_keys: unknown key '%s'" % part)
            codes.append(KEYS[part])
        for code in codes:
            key(code, 1)
        for code in reversed(codes):
            key(code, 0)

    for step in sys.argv[1:]:
        if step.startswith("text:"):
            for ch in step[5:]:
                mark = TEXT_MARKS.get(ch)
                combo(mark if mark else ("shift+" + ch.lower() if ch.isupper() else ch))
        else:
            combo(step)
    wl.roundtrip()


if __name__ == "__main__":
    main()
