#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

The seeds are frames as the Ondix sends them (acknowledgements, the device record, the RTS
table, the clock, the flash dump), the captures of tests/data/captures turned into capture
messages as the device sends them (cut to their first durations so that the seeds stay
small), typed text and ondix-sim configuration files. Run it again after changing it (an
argument names another output folder); the output is the same on every run.
"""
import json
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "fuzz", "corpus")
CAPTURES = os.path.join(ROOT, "tests", "data", "captures")


def checksum(frame):
    return frame + struct.pack("<I", sum(frame) & 0xFFFFFFFF)


def ack(code):
    return checksum(bytes([0x45, 0x4B, 0x01, code]))


def block(code, data):
    return checksum(bytes([0x45, 0x4B, 0x01, code]) + struct.pack("<H", len(data)) + data)


def record(answer_code, ip=(192, 168, 0, 50), rf=1, ident=b"ONDX000000000001", port=4998):
    body = bytes([0x45, 0x4B, 0x01, answer_code, 0, 0])
    body += bytes(ip) + bytes([255, 255, 255, 0]) + bytes(ip[:3]) + b"\x01"
    body += bytes([0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E]) + b"\x00" + struct.pack("<H", port)
    body += ident.ljust(16, b"\0")[:16] + struct.pack("<H", 21) + bytes([rf])
    assert len(body) == 46
    return checksum(body)


def rts_table(remotes, count=None):
    data = struct.pack("<I", len(remotes) if count is None else count)
    for reserved, kind, rolling, key, rid in remotes:
        data += bytes([reserved, kind]) + struct.pack("<H", rolling) + bytes([key]) + bytes(rid)
    return block(0x08, data)


def clock(year, month, day, hour, minute, second):
    return block(0x0A, struct.pack("<H", year) + bytes([month, day, hour, minute, second]))


def capture_message(words, head=0):
    """Capture message: word 0, word 1 = N (every word counted), then the words."""
    return struct.pack("<%dH" % (len(words) + 2), head, len(words) + 2, *words)


def load(name):
    with open(os.path.join(CAPTURES, name), encoding="utf-8") as f:
        return json.load(f)


def rf_samples(entry, count):
    return [min(65535, d) for d in entry["durations"][:count]]


def ir_periods(entry, count):
    carrier = entry["frequency"]
    return carrier, [min(65535, round(d * carrier / 1e6)) for d in entry["durations"][:count]]


DEMO_RF = [30, 930] + [d for bit in "101001011100001100111100" for d in ((90, 30) if bit == "1" else (30, 90))]
DEMO_IR = [342, 171, 21, 21, 21, 64, 21, 64, 21, 1520] * 3


def datagrams(pick, searching, parts):
    out = bytes([pick, searching])
    for p in parts:
        assert len(p) <= 255
        out += bytes([len(p)]) + p
    return out


def split(data, size):
    return [data[i:i + size] for i in range(0, len(data), size)]


def usb_reads(frame, got=32):
    """The reads of one frame on the cable: the length report, then 32-byte data reports."""
    reads = bytes([got]) + struct.pack("<H", len(frame)).ljust(32, b"\0")
    chunks = split(frame, 32) or [b""]
    for c in chunks:
        reads += bytes([got]) + c.ljust(32, b"\0")
    return reads


def main():
    rf = load("rf.json")
    ir = load("ir.json")
    rf_by_name = {e["name"]: e for e in rf}
    rf_messages = {
        "demo": capture_message(DEMO_RF * 4),
        "princeton": capture_message(rf_samples(rf_by_name["rf_princeton_raw"], 200)),
        "ansonic": capture_message(rf_samples(rf_by_name["rf_ansonic_raw"], 200)),
        "came": capture_message(rf_samples(rf_by_name["rf_came_raw"], 200)),
        "nice_flo": capture_message(rf_samples(rf_by_name["rf_nice_flo_raw"], 200)),
        "marantec24": capture_message(rf_samples(rf_by_name["rf_marantec24_raw"], 200)),
    }
    ir_messages = {"demo": capture_message([37900] + DEMO_IR)}
    for entry in ir:
        if entry["protocol"] == "unknown" and not entry["name"].startswith("ir_irdb_panasonic"):
            continue
        carrier, periods = ir_periods(entry, 200)
        words = [carrier & 0xFFFF] + periods
        ir_messages[entry["name"].replace("ir_", "", 1)] = struct.pack(
            "<%dH" % (len(words) + 2), 0, len(words) + 2, *words)

    info = record(0x03)
    seeds = {}
    s = seeds["fuzz_udp"] = {}
    s["ack"] = datagrams(0xFF, 0, [ack(0x04)])
    s["discovery_two_devices"] = datagrams(0xFF, 0xFF, [record(0x0C), record(0x0C, ip=(192, 168, 0, 51))])
    s["announcement"] = datagrams(0xFF, 0, [record(0x0C, ip=(10, 231, 1, 10))])
    s["info"] = datagrams(0xFF, 0, [info])
    s["ir_capture_3_datagrams"] = datagrams(0xFF, 0, split(ir_messages["demo"], 70))
    s["rf_capture_in_small_buffer"] = datagrams(40, 0, split(rf_messages["demo"][:300], 100))
    s["stray_then_answer"] = datagrams(0xFF, 0, [b"\x00\x01\x02", ack(0x0B)])

    s = seeds["fuzz_usb"] = {}
    s["ack"] = usb_reads(ack(0x04))
    s["info"] = usb_reads(info)
    s["rts_table"] = usb_reads(rts_table([(0, 0, 0x1234, 0xA7, (0x0A, 0xFF, 0x00))]))
    s["ir_capture"] = usb_reads(ir_messages["demo"][:200])
    s["empty_frame"] = usb_reads(b"")
    s["short_data_report"] = usb_reads(info)[:66] + bytes([5]) + info[32:37].ljust(32, b"\0")

    s = seeds["fuzz_frames"] = {}
    s["ack_8"] = bytes([1]) + ack(0x03)
    s["clock_17"] = bytes([3]) + clock(2025, 3, 7, 9, 5, 0)
    s["record_50"] = bytes([5]) + info
    s["mac_32"] = bytes([4]) + checksum(bytes([0x45, 0x4B, 0x01, 0x05, 0, 0, 0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E]) + bytes(16))
    s["firmware_14"] = bytes([2]) + block(0x02, bytes(4))
    s["flash_block"] = bytes([0]) + block(0x15, bytes(range(16)))
    s["own_length"] = bytes([9]) + struct.pack("<h", 12) + block(0x15, b"\xAA\x55")
    s["zero_checksum"] = bytes([1]) + bytes([0x45, 0x4B, 0x01, 0x03]) + bytes(4)

    s = seeds["fuzz_deviceinfo"] = {}
    s["info"] = info
    s["discovery_pair"] = record(0x0C) + record(0x0C, ip=(192, 168, 0, 51), rf=0) + b"192.168.0.7"
    s["announcement_ipv6_text"] = record(0x0C, ident=b"SALA-ESTAR") + info + b"fe80::1%eth0"

    s = seeds["fuzz_rf"] = {}
    for name, message in rf_messages.items():
        for mode, mname in ((0, "auto"), (1, "raw"), (2, "rts")):
            s["%s_%s_16" % (name, mname)] = bytes([mode, 1]) + message
    # Long enough for the raw line to reach its length limit.
    s["holtek_1000_raw_16"] = bytes([1, 1]) + capture_message(rf_samples(rf_by_name["rf_holtek_raw"], 1000))
    s["demo_auto_8"] = bytes([0, 0]) + rf_messages["demo"]
    s["demo_raw_32"] = bytes([1, 2]) + rf_messages["demo"]
    s["demo_auto_other_divisor"] = bytes([0, 9]) + struct.pack("<h", 12) + rf_messages["demo"]
    s["word_count_past_end"] = bytes([0, 1]) + struct.pack("<2H", 0, 900) + bytes(20)

    s = seeds["fuzz_irselection"] = {}
    for name, message in ir_messages.items():
        s["%s_auto" % name] = bytes([0]) + message
    s["demo_raw"] = bytes([1]) + ir_messages["demo"]
    s["demo_repeated_raw_long"] = bytes([1]) + capture_message([37900] + DEMO_IR * 40)
    s["two_words"] = bytes([0]) + struct.pack("<2H", 0, 2)

    s = seeds["fuzz_irprotocol"] = {}
    for name, message in ir_messages.items():
        s[name] = struct.pack("<H", 38000 // 16) + message

    s = seeds["fuzz_rts"] = {}
    s["one_somfy"] = bytes([0x01]) + rts_table([(0, 0, 0x1234, 0xA7, (0x0A, 0xFF, 0x00))])
    s["somfy_and_tube"] = bytes([0x88]) + rts_table([(0, 0, 0x1234, 0xA7, (0x0A, 0xFF, 0x00)),
                                                   (9, 1, 2, 0x01, (1, 2, 3))])
    s["empty"] = bytes([0]) + rts_table([])
    s["count_above_records"] = bytes([0]) + rts_table([(0, 0, 1, 1, (1, 1, 1))], count=3)
    s["full_100"] = bytes([0x28]) + rts_table([(0, i % 2, i, 0xA0 + i % 16, (i, 255 - i, 7)) for i in range(100)])

    s = seeds["fuzz_clock"] = {}
    s["2025"] = clock(2025, 3, 7, 9, 5, 0)
    s["leap_day"] = clock(2024, 2, 29, 23, 59, 59)
    s["impossible_date"] = clock(65535, 13, 32, 25, 61, 61)
    s["oversize"] = clock(2000, 1, 1, 0, 0, 0) + b"\xFF\xFF"

    s = seeds["fuzz_flash"] = {}
    s["sixteen"] = block(0x15, bytes((a ^ (a >> 8)) & 0xFF for a in range(16)))
    s["empty"] = block(0x15, b"")
    s["erased"] = block(0x15, b"\xFF" * 64)

    s = seeds["fuzz_console"] = {}
    for word in ("help", "getRTS", "getClock", "setClock", "memoryTest", "atualizarfirmware",
                 "vilaverdebom4827"):
        s["keyword_" + word] = bytes([0, 0]) + word.encode()
    s["sendrf_line"] = bytes([0, 0]) + b"sendrf_rc,3767,160,32,10,255,0"
    s["sendir_latin1"] = bytes([2, 1]) + "sendir,1:8,1,38000,1,1,342,171 ação".encode("latin-1")
    s["not_latin1"] = bytes([0, 0]) + "liga a lâmpada €".encode()
    s["utf16_lone_surrogate"] = bytes([1, 0]) + "hel".encode("utf-16-le") + b"\x00\xD8" + "p".encode("utf-16-le")
    s["flash_boxes"] = bytes([0, 3]) + b"4294967295\t9990"
    s["mac_boxes"] = bytes([0, 0]) + b"00\t1A\t2b\t:0\t*?\t123"
    s["settings_boxes"] = bytes([0, 0]) + b"\t".join(
        [b"192", b"168", b"0", b"50", b"255", b"255", b"255", b"0", b"192", b"168", b"0", b"1", b"4998"])
    s["box_with_percent"] = bytes([0, 0]) + b"3%100"

    s = seeds["fuzz_simconfig"] = {}
    s["two_devices"] = json.dumps({"devices": [
        {"ip": "10.231.1.10"},
        {"ip": "10.231.1.11", "mac": "00:1A:2B:3C:4D:5E", "tcpPort": 5000, "ident": "SALA-ESTAR",
         "rts": [{"type": 0, "rollingCode": 4660, "keyCode": 167, "remoteId": "0A-FF-00", "reserved": 0}]},
    ]}).encode()
    s["faults"] = json.dumps({"devices": [{
        "ip": "10.231.1.10",
        "rts": [{"type": 0, "rollingCode": 4660, "keyCode": 167, "remoteId": "0A-FF-00", "reserved": 0}],
        "rtsCount": 3, "rfCapture": None,
        "irCapture": {"irValue": 37900, "durations": [342, 171, 21, 21], "delayMs": 500},
        "tcpAnswer": None,
        "faults": {"0x03": {"kind": "late", "delayMs": 2000, "times": 1},
                   "0x07": {"kind": "truncated", "size": 100, "message": 1},
                   "8": {"kind": "garbage", "size": 5}},
    }]}).encode()
    s["everything"] = json.dumps({"devices": [{
        "ip": "192.168.0.50", "mask": "255.255.0.0", "gateway": "192.168.0.254", "dhcp": True,
        "firmware": 35, "rfFlag": 0, "rtsRollingStart": 100, "clockOffsetSeconds": -3600,
        "rfCapture": {"durations": DEMO_RF, "datagramSize": 64, "present": True},
        "announce": {"atMs": [100, 2000], "everyMs": 5000, "to": "192.168.0.255"},
        "tcpAnswer": "OK\r\n", "flashImage": "00 01 02 03 FF",
    }]}).encode()
    s["bad_port"] = b'{"devices": [{"ip": "10.0.0.1", "tcpPort": 70000}]}'
    s["same_address"] = b'{"devices": [{"ip": "10.0.0.1"}, {"ip": "10.0.0.1"}]}'

    out = sys.argv[1] if len(sys.argv) > 1 else OUT
    for target, files in seeds.items():
        folder = os.path.join(out, target)
        # Inputs that once showed a fault (found_*) are kept.
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                if not name.startswith("found_"):
                    os.remove(os.path.join(folder, name))
        os.makedirs(folder, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
