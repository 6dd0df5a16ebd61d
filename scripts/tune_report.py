#!/usr/bin/env python3
"""Measures a tune as listeners and viewers get it, and checks the figures against their bounds.

Sound: the module played by libxmp at 44.1 kHz (orv-tune-wav), loudness and true peak by
ffmpeg's ebur128 filter, the rest from the samples. Picture: orv-render at 60 frames a second
with the capture's timing (the intro's frames, one frame skipped, the music from its moment on;
a note shows in the first frame whose sound has passed it). An effect is on screen in a frame
when a run with only that instrument's notes draws a frame that is not all black; the whole
run gives the all-black frames.

Sections are runs of order positions, named by --sections ("intro:0 build:3 drop:6 ..."): each
name starts at the order position given. The drop is the section named "drop", the build the
one before it, the finale the one named "finale".

    tune_report.py --build DIR [--check] [--png FILE] [--sections SPEC] [MODULE]

Exit status: 0, or with --check 0 when every figure is within its bounds; 1 when one is not
(with --check); 2 when a tool or the command line failed.
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

import numpy as np

RATE = 44100
FPS = 60
BLACK_CRC = "%08x" % zlib.crc32(bytes(640 * 480 * 4))
EFFECTS = [5, 1, 2, 3, 10, 6, 9, 7, 8, 13, 12]  # drawing order, bottom first
EFFECT_NAMES = {5: "spiral", 1: "trail", 2: "ring web", 3: "particles", 10: "lightning",
                6: "rising chain", 9: "drift chains", 7: "ray burst", 8: "flower",
                13: "targets", 12: "spin web"}
# The particles are born at the trail's head: they are measured over the trail, as the frames
# in which a run with both instruments differs from a run with the trail alone.
COMPANIONS = {3: 1}
RHYTHM_INSTRUMENTS = {"bell": 8, "pluck": 2, "arp": 6}
DEFAULT_SECTIONS = "intro:0 build:3 drop:6 breakdown:10 return:12 finale:14 end:18"


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


# ---------------------------------------------------------------- the module's layout

def read_xm(path):
    """Order, rows per pattern, speed, bpm and each pattern's note-ons by instrument."""
    data = open(path, "rb").read()
    if data[:17] != b"Extended Module: ":
        sys.exit("tune_report: %s is not an XM module" % path)
    hsize = struct.unpack_from("<I", data, 60)[0]
    length, _, channels, npat, _, _, speed, bpm = struct.unpack_from("<8H", data, 64)
    order = list(data[80:80 + length])
    at = 60 + hsize
    patterns = []
    for _ in range(npat):
        plen, _, rows, psize = struct.unpack_from("<IBHH", data, at)
        at += plen
        body = data[at:at + psize]
        at += psize
        notes = {}  # instrument -> list of rows
        i = 0
        for row in range(rows if psize else 0):
            for _ in range(channels):
                b = body[i]
                if b & 0x80:
                    i += 1
                    vals = {}
                    for bit, name in ((1, "note"), (2, "ins"), (4, "vol"), (8, "fx"), (16, "fxp")):
                        if b & bit:
                            vals[name] = body[i]
                            i += 1
                else:
                    vals = dict(zip(("note", "ins", "vol", "fx", "fxp"), body[i:i + 5]))
                    i += 5
                note, ins = vals.get("note", 0), vals.get("ins", 0)
                if 1 <= note <= 96 and ins:
                    notes.setdefault(ins, []).append(row)
        patterns.append((rows, notes))
    return order, patterns, speed, bpm


def bar_rhythms(order, patterns, instrument):
    """The distinct sets of rows (in 16-row bars) on which the instrument starts a note."""
    seen = set()
    for p in order:
        rows, notes = patterns[p]
        hits = notes.get(instrument, [])
        for bar in range(0, rows, 16):
            rhythm = tuple(sorted(set(r - bar for r in hits if bar <= r < bar + 16)))
            if rhythm:
                seen.add(rhythm)
    return len(seen)


def position_starts(order, patterns, speed, bpm):
    """Seconds at which each order position starts (no tempo changes inside patterns)."""
    row = speed * 2.5 / bpm
    starts, t = [], 0.0
    for p in order:
        starts.append(t)
        t += patterns[p][0] * row
    return starts, t


def parse_sections(spec, starts, total):
    out = []
    items = [s.split(":") for s in spec.split()]
    for k, (name, pos) in enumerate(items):
        a = int(pos)
        b = int(items[k + 1][1]) if k + 1 < len(items) else len(starts)
        if a >= len(starts):
            break
        out.append((name, starts[a], starts[b] if b < len(starts) else total))
    return out


# ---------------------------------------------------------------- sound

def ebur128(wav, start=None, end=None):
    cmd = ["ffmpeg", "-nostats", "-hide_banner", "-i", wav]
    chain = "ebur128=peak=true"
    if start is not None:
        chain = "atrim=start=%f:end=%f,asetpts=PTS-STARTPTS," % (start, end) + chain
    cmd += ["-af", chain, "-f", "null", "-"]
    err = run(cmd).stderr.decode()
    summary = err[err.rfind("Summary:"):]
    integrated = float(re.search(r"I:\s+(-?[\d.]+|-inf) LUFS", summary).group(1))
    peak = re.search(r"True peak:\s+Peak:\s+(-?[\d.]+|-inf) dBFS", summary)
    short = [(float(m.group(1)), float(m.group(2)))
             for m in re.finditer(r"t:\s*([\d.]+)\s.*?S:\s*(-?[\d.]+|-inf)", err)
             if m.group(2) != "-inf" and float(m.group(1)) >= 3] if start is None else []
    return integrated, float(peak.group(1)) if peak else None, short


def sound_figures(wav, sections):
    raw = open(wav, "rb").read()
    pcm = np.frombuffer(raw, dtype="<i2", offset=44).reshape(-1, 2).astype(np.float64)
    f = {"length": len(pcm) / RATE}
    f["clipped"] = int(np.count_nonzero(np.abs(pcm) >= 32767))
    left, right = pcm[:, 0], pcm[:, 1]
    f["correlation"] = float(np.corrcoef(left, right)[0, 1])
    mid, side = (left + right) / 2, (left - right) / 2
    f["side_mid"] = float(np.sum(side ** 2) / np.sum(mid ** 2))
    spectrum = np.abs(np.fft.rfft(mid)) ** 2 + np.abs(np.fft.rfft(side)) ** 2
    freqs = np.fft.rfftfreq(len(mid), 1 / RATE)
    total = spectrum[1:].sum()
    f["below60"] = float(spectrum[(freqs > 0) & (freqs < 60)].sum() / total)
    f["above4k"] = float(spectrum[freqs > 4000].sum() / total)
    f["lufs"], f["true_peak"], f["short_term"] = ebur128(wav)
    f["sections"] = [(name, a, b, ebur128(wav, a, b)[0]) for name, a, b in sections]
    return f


# ---------------------------------------------------------------- picture

def moment(frame):
    return frame * 1000 // FPS


def timing():
    """The intro's frames, the frame skipped, and the music's start in ms (the capture's plan)."""
    last = 0
    while moment(last) // 20 <= 250:
        last += 1
    return last, moment(last + 1)


def script_for(notes, end_sample, only=None):
    last_intro, start = timing()
    lines = []
    for k in range(last_intro + 1):
        lines += ["time %d" % moment(k), "frame"]
    frames = []
    k, i = last_intro + 2, 0
    while (moment(k) - start) * RATE // 1000 < end_sample:
        heard = (moment(k) - start) * RATE // 1000
        lines.append("time %d" % moment(k))
        while i < len(notes) and notes[i][0] <= heard:
            s, ins, note, vol = notes[i]
            if ins < 32 and (only is None or ins in only):
                lines.append("sync %d %d %d" % (ins, note, vol))
            i += 1
        lines.append("frame")
        frames.append((moment(k) - start) / 1000)
        k += 1
    return "\n".join(lines) + "\n", frames


def frame_crcs(render, script, music_frames):
    out = run([render, "--script", "-"], input=script.encode()).stdout.decode().split("\n")
    return [line.rsplit("crc=", 1)[1] for line in out if "crc=" in line][-music_frames:]


def lit_frames(render, script, music_frames):
    return np.array([c != BLACK_CRC for c in frame_crcs(render, script, music_frames)])


def picture_figures(render, module, sections):
    notes, end = [], 0
    for line in run([render, "--music", module, "--syncs"]).stdout.decode().split("\n"):
        kv = dict(w.split("=") for w in line.split()[1:])
        if line.startswith("sync"):
            notes.append((int(kv["sample"]), int(kv["instrument"]), int(kv["note"]),
                          int(kv["volume"])))
        elif line.startswith("end"):
            end = int(kv["sample"])
    script, times = script_for(notes, end)
    times = np.array(times)
    f = {"times": times, "end": end / RATE}
    lit = lit_frames(render, script, len(times))
    f["black"] = float(1 - lit.mean())
    # The longest black stretch, leaving out the last second.
    stretches, run_start = [], None
    for t, on in zip(times, lit):
        if t >= end / RATE - 1:
            break
        if not on and run_start is None:
            run_start = t
        if on and run_start is not None:
            stretches.append((run_start, t - run_start))
            run_start = None
    if run_start is not None:
        stretches.append((run_start, min(times[-1], end / RATE - 1) - run_start))
    f["black_longest"] = max([d for _, d in stretches], default=0.0)
    f["stretches"] = [(float(a), float(d)) for a, d in stretches if d > 0.25]
    f["effects"] = {}
    on_screen = []
    for e in EFFECTS:
        fires = [s / RATE for s, ins, _, _ in notes if ins == e]
        gaps = np.diff(fires + [end / RATE]) if fires else np.array([end / RATE])
        if e in COMPANIONS:
            base = frame_crcs(render, script_for(notes, end, {COMPANIONS[e]})[0], len(times))
            both = frame_crcs(render, script_for(notes, end, {e, COMPANIONS[e]})[0], len(times))
            shown = np.array([a != b for a, b in zip(base, both)])
        else:
            shown = lit_frames(render, script_for(notes, end, {e})[0], len(times))
        on_screen.append(shown)
        f["effects"][e] = {"fires": len(fires), "screen": float(shown.mean()),
                           "gap": float(max(gaps)),
                           "gap_at": float(fires[int(np.argmax(gaps))]) if fires else 0.0,
                           "shown": shown}
    together = np.sum(on_screen, axis=0)
    f["together"] = together
    fin = [(a, b) for name, a, b in sections if name == "finale"]
    if fin:
        a, b = fin[0]
        inside = (times >= a) & (times < b)
        f["finale_8"] = float(np.mean(together[inside] >= 8)) if inside.any() else 0.0
        f["finale_all"] = float(np.mean(together[inside] == 11)) if inside.any() else 0.0
    return f


# ---------------------------------------------------------------- the picture of the report

def write_png(path, sound, picture, sections):
    width, lane, gap = 1200, 18, 4
    loud_h = 160
    height = 20 + len(EFFECTS) * (lane + gap) + 20 + loud_h + 20
    img = np.full((height, width, 3), 255, np.uint8)
    total = picture["end"]
    x_of = lambda t: int(min(width - 1, max(0, 100 + t / total * (width - 110))))
    colours = [(31, 119, 180), (255, 127, 14), (44, 160, 44), (214, 39, 40), (148, 103, 189),
               (140, 86, 75), (227, 119, 194), (127, 127, 127), (188, 189, 34), (23, 190, 207),
               (0, 0, 0)]
    for name, a, b in sections:  # section bands
        for t in (a,):
            img[:, x_of(t)] = (200, 200, 200)
    times = picture["times"]
    for k, e in enumerate(EFFECTS):
        y = 20 + k * (lane + gap)
        img[y:y + lane, 100:width - 10] = (240, 240, 240)
        shown = picture["effects"][e]["shown"]
        for t, on in zip(times, shown):
            if on:
                img[y:y + lane, x_of(t)] = colours[k]
    top = 20 + len(EFFECTS) * (lane + gap) + 20
    img[top:top + loud_h, 100:width - 10] = (245, 245, 245)
    y_of = lambda lu: int(top + loud_h - 1 - (min(-6, max(-36, lu)) + 36) / 30 * (loud_h - 1))
    for level in (-30, -24, -18, -12):
        img[y_of(level), 100:width - 10] = (210, 210, 210)
    img[y_of(sound["lufs"]), 100:width - 10] = (255, 160, 160)
    prev = None
    for t, s in sound["short_term"]:
        p = (x_of(t), y_of(s))
        if prev:
            x0, y0 = prev
            for x in range(x0, p[0] + 1):
                y = y0 if p[0] == x0 else int(y0 + (p[1] - y0) * (x - x0) / (p[0] - x0))
                lo, hi = sorted((y, y0 if x == x0 else y))
                img[lo:hi + 2, x] = (200, 0, 0)
        prev = p
    raw = b"".join(b"\0" + img[y].tobytes() for y in range(height))
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data)))
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    open(path, "wb").write(png)
    # Labels, where ImageMagick is at hand.
    try:
        args = ["convert", path, "-font", "DejaVu-Sans", "-pointsize", "12", "-fill", "black"]
        for k, e in enumerate(EFFECTS):
            args += ["-annotate", "+4+%d" % (20 + k * (lane + gap) + 13), "%d %s" % (e, EFFECT_NAMES[e])]
        args += ["-annotate", "+4+%d" % (top + 12), "short-term"]
        args += ["-annotate", "+4+%d" % (top + 26), "loudness"]
        for level in (-12, -18, -24, -30):
            args += ["-annotate", "+60+%d" % (y_of(level) + 4), "%d" % level]
        for name, a, b in sections:
            args += ["-annotate", "+%d+14" % (x_of(a) + 3), name]
        args += ["-annotate", "+%d+%d" % (width - 110, height - 5), "%.0f s" % total]
        run(args + ["-strip", path])  # no time stamps: the same tune gives the same bytes
    except (OSError, subprocess.CalledProcessError):
        pass


# ---------------------------------------------------------------- the report

def main():
    ap = argparse.ArgumentParser(description="Measures a tune; --check fails on a figure out of bounds.")
    ap.add_argument("module", nargs="?")
    ap.add_argument("--build", required=True)
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--png")
    ap.add_argument("--sections", default=DEFAULT_SECTIONS)
    args = ap.parse_args()
    tool = lambda name: os.path.join(args.build, name)
    with tempfile.TemporaryDirectory(prefix="orv-tune-report.") as work:
        module = args.module
        if module is None:
            module = os.path.join(work, "orv.xm")
            run([tool("orv-tune"), module])
        wav = os.path.join(work, "tune.wav")
        run([tool("orv-tune-wav"), module, wav])
        order, patterns, speed, bpm = read_xm(module)
        starts, total = position_starts(order, patterns, speed, bpm)
        sections = parse_sections(args.sections, starts, total)
        sound = sound_figures(wav, sections)
        picture = picture_figures(tool("orv-render"), module, sections)
    rhythms = {name: bar_rhythms(order, patterns, ins) for name, ins in RHYTHM_INSTRUMENTS.items()}

    failures = []

    def line(label, value, ok):
        print("%-46s %-28s %s" % (label, value, "ok" if ok else "OUT OF BOUNDS"))
        if not ok:
            failures.append(label)

    s, p = sound, picture
    print("sound (libxmp 44.1 kHz, ffmpeg ebur128)")
    line("  length 90-180 s", "%.1f s" % s["length"], 90 <= s["length"] <= 180)
    line("  integrated loudness -16..-12 LUFS", "%.1f LUFS" % s["lufs"], -16 <= s["lufs"] <= -12)
    line("  true peak <= -1 dBTP", "%.1f dBTP" % s["true_peak"], s["true_peak"] <= -1)
    line("  clipped samples 0", "%d" % s["clipped"], s["clipped"] == 0)
    line("  L/R correlation 0.5-0.85", "%.2f" % s["correlation"], 0.5 <= s["correlation"] <= 0.85)
    print("  %-44s %.3f" % ("side/mid energy", s["side_mid"]))
    line("  energy below 60 Hz <= 25%", "%.1f%%" % (100 * s["below60"]), s["below60"] <= 0.25)
    line("  energy above 4 kHz >= 3%", "%.1f%%" % (100 * s["above4k"]), s["above4k"] >= 0.03)
    print("  loudness per section")
    loud = {}
    for name, a, b, lufs in s["sections"]:
        loud[name] = lufs
        print("    %-12s %6.1f-%6.1f s  %6.1f LUFS" % (name, a, b, lufs))
    names = [name for name, _, _, _ in s["sections"]]
    if "drop" in names and names.index("drop") > 0:
        build = names[names.index("drop") - 1]
        rise = loud["drop"] - loud[build]
        line("  drop >= 3 LU above the %s" % build, "%+.1f LU" % rise, rise >= 3)
    else:
        line("  a section named drop after another", "missing", False)
    loudest = max((lufs, name) for name, _, _, lufs in s["sections"])[1] if names else None
    line("  the finale is the loudest section", "loudest: %s" % loudest, loudest == "finale")

    print("picture (orv-render, %d fps, music from %d ms)" % (FPS, timing()[1]))
    line("  all-black music frames <= 2%", "%.1f%%" % (100 * p["black"]), p["black"] <= 0.02)
    line("  longest black stretch <= 0.5 s", "%.2f s" % p["black_longest"], p["black_longest"] <= 0.5)
    if p["stretches"]:
        print("    black stretches over 0.25 s at: %s" % " ".join(
            "%.1f (%.2f s)" % st for st in p["stretches"][:20]))
    for e in EFFECTS:
        x = p["effects"][e]
        line("  %2d %-12s fires>=30 screen 10-70%% gap<=20s" % (e, EFFECT_NAMES[e]),
             "%4d  %4.1f%%  %5.1f s (at %.0f s)" % (x["fires"], 100 * x["screen"], x["gap"],
                                                  x["gap_at"]),
             x["fires"] >= 30 and 0.10 <= x["screen"] <= 0.70 and x["gap"] <= 20)
    if "finale_8" in p:
        line("  finale frames with >= 8 effects >= 10%", "%.1f%% (all 11: %.1f%%)" %
             (100 * p["finale_8"], 100 * p["finale_all"]), p["finale_8"] >= 0.10)
    else:
        line("  a section named finale", "missing", False)
    print("score")
    for name, n in rhythms.items():
        line("  %s: distinct bar rhythms >= 3" % name, "%d" % n, n >= 3)
    if args.png:
        write_png(args.png, sound, picture, [(n, a, b) for n, a, b, _ in s["sections"]])
    if failures:
        print("%d figure(s) out of bounds" % len(failures))
    return 1 if args.check and failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except subprocess.CalledProcessError as e:
        # A tool that failed is not a figure out of bounds: status 2, as for a bad command line.
        print("tune_report: %s failed (status %d): %s" % (os.path.basename(e.cmd[0]), e.returncode,
              e.stderr.decode(errors="replace").strip()[:300]), file=sys.stderr)
        sys.exit(2)
