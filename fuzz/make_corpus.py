#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into fuzz/corpus/ from the frames of the factory
configuration.

window: scripts of events (see WindowLogicFuzz.cpp): open, let the ticks come, answer with the
device's replies, type, save and preset. fill: selections and texts of the factory save and a preset.
sim: the four read requests, a save and a preset, as a master sends them.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def h(text):
    return bytes.fromhex(text)


READS = [h("00 03 00 15 00 02 D4 1E"), h("00 03 00 00 00 15 85 D4"),
         h("00 03 00 17 00 03 B4 1E"), h("00 03 00 1B 00 01 F5 DC")]
SAVE = h("00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00"
         " 00 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 97 CB")
PRESET = h("00 10 00 13 00 02 04 00 01 86 A0 85 92")
CONFIG_REPLY = h("00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00"
                 " 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 00 01 86 A0 A6 21")


def write(target, name, data):
    os.makedirs(os.path.join(HERE, "corpus", target), exist_ok=True)
    with open(os.path.join(HERE, "corpus", target, name), "wb") as f:
        f.write(data)


# --- window: op % 9 — 0 raw bytes, 1 time, 2 click, 3 type, 4 pick, 5 port error,
# 6 refused writes, 7 known reply (index, byte to change, value), 8 message reading time.
def ms(n):  # one time step of n ms (n <= 200)
    return bytes([1, n - 1])


def click(k):  # Command1..Command5 as 0..4
    return bytes([2, k])


def reply(i, at=255, value=0):
    return bytes([7, i, at, value])


def raw(frame):
    return bytes([0, len(frame) - 1]) + frame


def typed(field, text):
    t = text.encode()
    return bytes([3, field, len(t)]) + t


load = click(0) + ms(200) + ms(10) + raw(CONFIG_REPLY) + ms(60) + reply(1) + ms(60) + ms(140)
load += ms(10) + reply(3) + ms(60) + ms(130) + ms(10) + reply(4) + ms(60)
write("window", "load", load)
write("window", "save", load + typed(3, "1024") + click(2) + ms(200) + ms(10) + reply(5) + ms(60))
write("window", "preset", load + typed(8, "100000") + click(3) + ms(200) + ms(10) + reply(6) + ms(60))
write("window", "read_again", load + click(1) + ms(200) + ms(10) + reply(0) + ms(60) + reply(2))
write("window", "timeout", click(0) + bytes([1, 250]) + click(0))
write("window", "exception", click(0) + ms(200) + ms(10) + reply(0) + ms(60) + reply(7) + ms(60))
write("window", "overflow", click(0) + ms(200) + ms(10) + reply(0, 25, 0x80) + ms(60))
write("window", "port_error", load + bytes([5, 6]) + click(0) + ms(200))

# --- fill: seven selection bytes (value % (entries + 2) - 1), then Text1..Text9 by newlines.
sel = bytes([5 + 1, 0 + 1, 0 + 1, 1 + 1, 0 + 1, 0 + 1, 0 + 1])  # Combo2..Combo8
write("fill", "factory", sel + b"1\n4096\n4096\n3600\n3276\n0\n4096\n0\n100000")
write("fill", "limits", sel + b"65535\n2147483647\n0\n65536\n-1\n 7 \n+5\n12.5\n-1")
write("fill", "no_selection", bytes(7) + b"1\n4096\n4096\n3600\n3276\n0\n4096\n0\n0")

# --- sim: fault switches (0: none), then bursts: gap in 100 us, length - 1, bytes.
def burst(frame, gap=20):
    return bytes([gap, len(frame) - 1]) + frame


for name, frame in zip(["position", "config", "status", "version"], READS):
    write("sim", name, b"\x00" + burst(frame))
write("sim", "save", b"\x00" + burst(SAVE) + burst(READS[1]))
write("sim", "preset", b"\x00" + burst(PRESET) + burst(READS[0]))
write("sim", "faults", bytes([0x83, 5, 0, 2, 8]) + burst(READS[1]) + burst(READS[0]))

# --- cli: the JSON that read prints, a zero byte, then KEY=VALUE pairs (or arguments) by lines.
READ_JSON = """{
  "CommAddress": 1,
  "BaudRate": "115200",
  "Parity": "无校验",
  "Protocol": "MODBUS",
  "TurnCountMode": "多圈",
  "WorkMode": "往复",
  "RotationDirection": "顺时针",
  "ResolutionPerTurn": 3600,
  "GearSelection": null,
  "CurrentUpperLimit": 3276,
  "CurrentLowerLimit": 0,
  "CycleValue": 4096,
  "ReciprocationValue": 4096,
  "UpperLimitPosition": 4096,
  "LowerLimitPosition": 0,
  "PresetPosition": 100000,
  "CurrentPosition": 123456,
  "Status": "Pass",
  "FirmwareVersion": "Ver0258"
}"""
write("cli", "read_output", (READ_JSON + "\0WorkMode=测速\nCycleValue=2147483647").encode())
write("cli", "pairs", "{}\0BaudRate=2\nParity=奇校验\nCommAddress= +7 \nResolutionPerTurn=65536".encode())
write("cli", "command_line", b"\0save\n--port\nttyUSB0\ncfg.json\nWorkMode=1\n--no-verify\n--trace\n-")
