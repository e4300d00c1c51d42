#!/usr/bin/env python3
"""Makes Korvel's own sound effects (with sox) and voice packs (with espeak-ng).

Writes <share>/common/music/ (the six effects) and <share>/common/mj/ (one clip per voice,
language and call or tile name). A missing tool is a warning, not a failure: the client then
simply stays quiet, and <share>/common/sound-tools-missing.txt names what was missing so the
pack test can tell a machine without the tools from a broken generator.
"""

import argparse
import concurrent.futures
import os
import random
import shutil
import subprocess
import sys
import tempfile

RATE = 22050
MAX_BYTES = 200 * 1024
FORMAT = ["-r", str(RATE), "-c", "1", "-b", "16"]

# Voice packs: the client's language code and the espeak-ng voice that speaks it. The plain
# "cmn" voice reads its own pinyin as English; the pinyin-reading variant is the same language.
LANGUAGES = {
    "00": "cmn-latn-pinyin",
    "27": "yue",
}

# (gender byte, kind byte, voice set) -> espeak-ng variant, pitch, words per minute.
# Each set must sound like a different person.
VOICES = {
    (0, 2, "10"): ("f2", 60, 150),
    (0, 2, "20"): ("f4", 92, 170),
    (0, 2, "30"): ("f5", 34, 132),
    (1, 3, "10"): ("m3", 60, 160),
    (1, 3, "20"): ("m7", 16, 126),
}

CALLS = {
    "00": {"01": "报叫", "02": "碰", "03": "杠", "06": "暗杠", "09": "胡"},
    # Cantonese tables call the same things in their own words.
    "27": {"01": "報叫", "02": "碰", "03": "槓", "06": "暗槓", "09": "食糊"},
}

NUMERALS = "一二三四五六七八九"

# Suit digit of the clip -> the suit's word, per language.
SUIT_WORDS = {
    "00": {"2": "条", "4": "筒", "8": "万"},
    "27": {"2": "索", "4": "筒", "8": "萬"},
}

HONOURS = {
    "00": ["东", "南", "西", "北", "红中", "发财", "白板"],
    "27": ["東", "南", "西", "北", "紅中", "發財", "白板"],
}


def warn(text):
    print("warning: " + text, file=sys.stderr)


def run(args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def clip_texts(lang):
    """Every clip of a pack and what it says."""
    texts = dict(CALLS[lang])
    for rank, word in enumerate(HONOURS[lang], start=1):
        texts["1%d" % rank] = word
    for digit, suit in SUIT_WORDS[lang].items():
        for rank in range(1, 10):
            texts["%s%d" % (digit, rank)] = NUMERALS[rank - 1] + suit
    return texts


def voice_file_name(lang, voice_set, gender, kind, clip):
    # The client's rule: v + language + set + gender + kind + clip.
    return "v%s%s%d%d%s.wav" % (lang, voice_set, gender, kind, clip)


def check_wav(path):
    with open(path, "rb") as f:
        head = f.read(12)
    size = os.path.getsize(path)
    if head[0:4] != b"RIFF" or head[8:12] != b"WAVE":
        raise RuntimeError("%s is not a WAV file" % path)
    if size >= MAX_BYTES:
        raise RuntimeError("%s is %d bytes, over the limit" % (path, size))


# ---- effects ----------------------------------------------------------------------------------


class Effects:
    def __init__(self, work, seed=20240607):
        self.work = work
        self.count = 0
        self.rng = random.Random(seed)

    def temp(self):
        self.count += 1
        return os.path.join(self.work, "e%04d.wav" % self.count)

    def synth(self, seconds, *waves, effects=()):
        out = self.temp()
        run(["sox", "-n"] + FORMAT + [out, "synth", "%.4f" % seconds] + list(waves) + list(effects))
        return out

    def mix(self, parts, effects=()):
        """Mixes (file, start seconds) pairs into one file."""
        placed = []
        for path, start in parts:
            if start > 0:
                shifted = self.temp()
                run(["sox", path, shifted, "pad", "%.4f" % start])
                placed.append(shifted)
            else:
                placed.append(path)
        out = self.temp()
        if len(placed) == 1:
            run(["sox", placed[0]] + FORMAT + [out] + list(effects))
        else:
            run(["sox", "-m"] + placed + FORMAT + [out] + list(effects))
        return out

    def knock(self, pitch=1.0, length=0.12, bright=0.5):
        """One hard piece of tile or bone meeting a table: a click and a short woody ring."""
        click = self.synth(0.04, "whitenoise",
                           effects=["highpass", "2200", "lowpass", "7000",
                                    "fade", "l", "0.001", "0.04", "0.038", "vol", "%.2f" % bright])
        ring = self.synth(length, "sine", "%.1f" % (1850 * pitch),
                          effects=["fade", "l", "0.001", "%.4f" % length, "%.4f" % (length - 0.004),
                                   "vol", "0.55"])
        body = self.synth(length, "sine", "%.1f" % (780 * pitch),
                          effects=["fade", "l", "0.002", "%.4f" % length, "%.4f" % (length - 0.01),
                                   "vol", "0.45"])
        return self.mix([(click, 0), (ring, 0), (body, 0)])

    def finish(self, path, out, reverb="18", seconds=None):
        # Room for the reverb's tail, which sox would otherwise cut at the dry sound's end.
        effects = ["pad", "0", "0.2", "reverb", reverb, "50", "30"]
        if seconds:
            effects += ["trim", "0", "%.3f" % seconds]
        effects += ["gain", "-n", "-2"]
        run(["sox", path] + FORMAT + [out] + effects)

    def discard(self, out):
        first = self.knock(1.0, 0.12, 0.6)
        bounce = self.knock(1.04, 0.07, 0.3)
        quiet = self.temp()
        run(["sox", bounce, quiet, "vol", "0.35"])
        self.finish(self.mix([(first, 0), (quiet, 0.075)]), out, seconds=0.35)

    def deal(self, out):
        parts = []
        for i in range(4):
            k = self.knock(0.92 + 0.05 * i, 0.09, 0.45)
            parts.append((k, 0.065 * i + self.rng.uniform(0, 0.01)))
        slide = self.synth(0.3, "pinknoise", effects=["bandpass", "3000", "1.5q", "fade", "h",
                                                       "0.05", "0.3", "0.15", "vol", "0.12"])
        parts.append((slide, 0))
        self.finish(self.mix(parts), out, seconds=0.5)

    def shuffle(self, out):
        seconds = 1.6
        bed = self.synth(seconds, "brownnoise",
                         effects=["bandpass", "900", "0.8q", "tremolo", "11", "70",
                                  "fade", "h", "0.15", "%.2f" % seconds, "0.4", "vol", "0.5"])
        parts = [(bed, 0)]
        for _ in range(34):
            k = self.knock(self.rng.uniform(0.75, 1.25), self.rng.uniform(0.05, 0.09),
                           self.rng.uniform(0.2, 0.5))
            loud = self.temp()
            run(["sox", k, loud, "vol", "%.2f" % self.rng.uniform(0.3, 0.9)])
            parts.append((loud, self.rng.uniform(0.02, seconds - 0.25)))
        self.finish(self.mix(parts), out, reverb="25", seconds=seconds)

    def dice(self, out):
        parts = []
        for die, pitch in ((0, 1.55), (1, 1.75)):
            # Each bounce comes sooner and softer than the last, until the die settles.
            t = 0.01 + 0.03 * die
            gap = 0.16
            loudness = 1.0
            while t < 0.9:
                k = self.knock(pitch * self.rng.uniform(0.95, 1.05), 0.05, 0.7)
                soft = self.temp()
                run(["sox", k, soft, "vol", "%.3f" % loudness])
                parts.append((soft, t))
                t += gap
                gap = max(0.035, gap * 0.8)
                loudness *= 0.88
        roll = self.synth(1.0, "pinknoise", effects=["bandpass", "2500", "1q", "fade", "t",
                                                     "0.02", "1.0", "0.5", "vol", "0.1"])
        parts.append((roll, 0))
        self.finish(self.mix(parts), out, seconds=1.1)

    def tick(self, out):
        high = self.synth(0.05, "sine", "1520", effects=["fade", "l", "0.001", "0.05", "0.048",
                                                         "vol", "0.6"])
        low = self.synth(0.08, "sine", "1010", effects=["fade", "l", "0.001", "0.08", "0.075",
                                                        "vol", "0.5"])
        click = self.synth(0.01, "whitenoise", effects=["highpass", "3000", "vol", "0.3"])
        self.finish(self.mix([(high, 0), (low, 0), (click, 0)]), out, reverb="10", seconds=0.25)

    def music(self, out):
        """A calm pentatonic figure over a soft pad, folded so the loop has no seam."""
        beat = 0.25
        bars = 16
        length = beat * bars
        notes = ["G4", "B4", "D5", "B4", "E5", "D5", "B4", "A4",
                 "G4", "A4", "B4", "D5", "B4", "A4", "G4", "E4"]
        parts = []
        for i, note in enumerate(notes):
            n = self.synth(0.9, "pluck", note, effects=["lowpass", "2400", "fade", "l", "0.005",
                                                         "0.9", "0.85",
                                                         "vol", "0.5" if i % 4 else "0.6"])
            parts.append((n, i * beat))
        for i, note in enumerate(["G2", "D3", "E2", "D3"]):
            b = self.synth(1.2, "pluck", note, effects=["lowpass", "600", "fade", "l", "0.01",
                                                         "1.2", "1.1", "vol", "0.5"])
            parts.append((b, i * length / 4))
        # Pad frequencies are whole multiples of 1/length, so each loop joins the next in phase.
        pad = self.synth(length, "sine", "196", "sine", "293.75", "sine", "493.75",
                         effects=["remix", "-", "tremolo", "0.5", "30", "vol", "0.12"])
        parts.append((pad, 0))
        raw = self.mix(parts, effects=["reverb", "45", "50", "70"])
        body = self.temp()
        tail = self.temp()
        run(["sox", raw, body, "trim", "0", "%.3f" % length])
        run(["sox", raw, tail, "trim", "%.3f" % length])
        looped = self.mix([(body, 0), (tail, 0)])
        run(["sox", looped] + FORMAT + [out, "trim", "0", "%.3f" % length, "gain", "-n", "-4"])


def make_effects(music_dir, work):
    fx = Effects(work)
    plan = [("majiang.wav", fx.music), ("dapai.wav", fx.discard), ("qupai.wav", fx.deal),
            ("xipai.wav", fx.shuffle), ("zhise.wav", fx.dice), ("tishi.wav", fx.tick)]
    for name, make in plan:
        out = os.path.join(music_dir, name)
        make(out)
        check_wav(out)
    return len(plan)


# ---- voices -----------------------------------------------------------------------------------


def make_voice(job):
    out, text, espeak_voice, pitch, speed, work, have_sox = job
    raw = os.path.join(work, os.path.basename(out))
    run(["espeak-ng", "-v", espeak_voice, "-p", str(pitch), "-s", str(speed), "-w", raw, text])
    if have_sox:
        # Cut the synthesiser's leading and trailing silence, even the loudness out, and
        # leave a breath at either end so a clip never starts with a click.
        run(["sox", raw] + FORMAT + [out, "silence", "1", "0.01", "0.1%", "reverse",
                                     "silence", "1", "0.01", "0.1%", "reverse",
                                     "gain", "-n", "-2", "pad", "0.02", "0.04"])
        os.remove(raw)
    else:
        shutil.move(raw, out)
    check_wav(out)
    return out


def make_voices(mj_dir, work, have_sox, jobs):
    for name in os.listdir(mj_dir):
        if name.startswith("v") and name.endswith(".wav"):
            os.remove(os.path.join(mj_dir, name))
    plan = []
    for lang, espeak_lang in LANGUAGES.items():
        for clip, text in sorted(clip_texts(lang).items()):
            for (gender, kind, voice_set), (variant, pitch, speed) in VOICES.items():
                out = os.path.join(mj_dir, voice_file_name(lang, voice_set, gender, kind, clip))
                plan.append((out, text, espeak_lang + "+" + variant, pitch, speed, work,
                             have_sox))
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        done = list(pool.map(make_voice, plan))
    return len(done)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--share", required=True, help="the share/korvel folder to fill")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()

    common = os.path.join(args.share, "common")
    music_dir = os.path.join(common, "music")
    mj_dir = os.path.join(common, "mj")
    os.makedirs(music_dir, exist_ok=True)
    os.makedirs(mj_dir, exist_ok=True)
    missing_note = os.path.join(common, "sound-tools-missing.txt")
    if os.path.exists(missing_note):
        os.remove(missing_note)

    have_sox = shutil.which("sox") is not None
    have_espeak = shutil.which("espeak-ng") is not None
    missing = []
    if not have_sox:
        missing.append("sox")
        warn("sox is not installed: the sound effects are not generated (the client stays "
             "quiet); install sox and rebuild")
    if not have_espeak:
        missing.append("espeak-ng")
        warn("espeak-ng is not installed: the voice packs are not generated (the seats stay "
             "silent); install espeak-ng and rebuild")

    try:
        with tempfile.TemporaryDirectory(prefix="korvel-sounds-") as work:
            if have_sox:
                count = make_effects(music_dir, work)
                print("made %d sound effects in %s" % (count, music_dir))
            if have_espeak:
                count = make_voices(mj_dir, work, have_sox, max(1, args.jobs))
                print("made %d voice clips in %s" % (count, mj_dir))
    except subprocess.CalledProcessError as e:
        err = e.stderr.decode("utf-8", "replace").strip() if e.stderr else ""
        print("error: %s failed: %s" % (" ".join(e.cmd[:3]), err), file=sys.stderr)
        return 1
    except RuntimeError as e:
        print("error: %s" % e, file=sys.stderr)
        return 1

    if missing:
        with open(missing_note, "w", encoding="utf-8") as f:
            f.write("\n".join(missing) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
