#!/usr/bin/env bash
# Makes the program's sounds in resources/sounds/: synthesised tones (sox) and
# spoken cues (espeak-ng). A development tool: the WAV files it writes are kept
# in the repository, and the build only compiles them in.
#
# Every file is 16-bit PCM, mono, 22050 Hz, cut or padded to its exact length.
# RINGINSOUND has no file of its own: resources/sounds.qrc gives SOUND_RING.wav both names.
set -euo pipefail

out="$(cd "$(dirname "$0")/.." && pwd)/resources/sounds"
rate=22050
format=(-r "$rate" -b 16 -c 1 -e signed-integer)

need() {
    command -v "$1" >/dev/null && return
    echo "installing $2" >&2
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$2" >/dev/null
}
need sox sox
need espeak-ng espeak-ng

# Repeatable dither, so that running the script again gives the same files.
sox() { command sox -R "$@"; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One burst of the ring: two bell partials, trembling at 16 Hz, dying away.
ring_burst() {  # seconds file
    sox -n "${format[@]}" "$2" synth "$1" sine 1046 sine 1568 remix 1,2 \
        tremolo 16 70 fade q 0.01 "$1" 0.25 gain -n -3
}

# Cuts or pads a file to exactly `seconds` (quietly: trim ends the padding early).
fit() {  # file seconds target
    sox -V1 "$1" "${format[@]}" "$3" pad 0 "$2" trim 0 "$2"
}

# A spoken cue: espeak-ng's English voice, leading and trailing silence
# removed, slowed or quickened to fill 90 % of the length, then padded.
voice() {  # text seconds target
    local raw="$work/raw.wav" trimmed="$work/trimmed.wav" said factor
    espeak-ng -v en -s 150 -w "$raw" "$1"
    sox "$raw" "${format[@]}" "$trimmed" silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse gain -n -1
    said=$(soxi -D "$trimmed")
    factor=$(awk -v said="$said" -v want="$2" 'BEGIN { printf "%.4f", said / (want * 0.9) }')
    sox "$trimmed" "$work/timed.wav" tempo -s "$factor"
    fit "$work/timed.wav" "$2" "$3"
}

mkdir -p "$out"

# Reading tick: a short, bright click.
sox -n "${format[@]}" "$work/tick.wav" synth 0.05 sine 2400 fade q 0.002 0.05 0.04 gain -n -6
fit "$work/tick.wav" 0.05 "$out/SOUND_RESULT.wav"

# Ring (also RINGINSOUND) and the long ring of two bursts.
ring_burst 0.9 "$work/ring.wav"
fit "$work/ring.wav" 0.9 "$out/SOUND_RING.wav"
ring_burst 0.95 "$work/burst.wav"
sox "$work/burst.wav" "$work/burst.wav" "$work/ring2.wav"
fit "$work/ring2.wav" 1.9 "$out/SOUND_RING_2S.wav"

# GPS warning: a low, hoarse double beep.
sox -n "${format[@]}" "$work/warn1.wav" synth 0.08 square 660 fade q 0.005 0.08 0.01 gain -n -12
sox -n "${format[@]}" "$work/gap.wav" trim 0 0.03
sox "$work/warn1.wav" "$work/gap.wav" "$work/warn1.wav" "$work/warn.wav"
fit "$work/warn.wav" 0.19 "$out/SOUND_GPSWARNING.wav"

voice "left" 0.58 "$out/LEFTSOUND.wav"
voice "right" 0.62 "$out/RIGHTSOUND.wav"
voice "between" 1.0 "$out/BETWEENSOUND.wav"
voice "left and right" 1.48 "$out/LEFTRIGHTSOUND.wav"

for f in "$out"/*.wav; do
    printf '%-22s %ss\n' "$(basename "$f")" "$(soxi -D "$f")"
done
