#!/bin/bash
# Measures the engine in a real window from outside, as a player's machine sees it: the share
# of a core it uses while waiting on a click (with nothing moving, then with the click-wait
# mark animating) and during a running crossfade, and the time from start to the first picture
# in the window. Run it under an X server; make bench runs it under xvfb-run.
#
# Usage: bench/window_figures.sh BUILD_DIR [SECONDS]
set -euo pipefail

if [ $# -lt 1 ] || [ "$1" = --help ]; then
    echo "usage: window_figures.sh BUILD_DIR [SECONDS]   (under an X server, e.g. xvfb-run)"
    exit 0
fi
build=$(cd "$1" && pwd)
seconds=${2:-5}
vura=$build/vura
tool=$build/vura-tool
demo=$build/demo
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work XDG_DATA_HOME=$work

if [ -z "${DISPLAY:-}" ]; then
    echo "window_figures: no X display; run it under xvfb-run" >&2
    exit 2
fi

# A game of one script beside the demo's pack, whose pictures it borrows. The loose script
# and layout are found before the pack's.
make_game() {
    local dir=$work/$1
    mkdir -p "$dir"
    ln -s "$demo/VURADEMO" "$demo/VURADEMO.lst" "$demo/snd" "$dir/"
    "$tool" layout "$src/demo/layout.txt" -o "$dir/NECEMEM.SQI"
    printf '%s\n' "$2" > "$dir/INIT.asm"
    "$tool" asm "$dir/INIT.asm" -o "$dir/INIT.SQX"
}

# The share of one core the process used over `seconds`, after a settling second and a half.
cpu_share() {
    local pid=$1 hz a b
    hz=$(getconf CLK_TCK)
    sleep 1.5
    a=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$seconds"
    b=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    awk -v a="$a" -v b="$b" -v hz="$hz" -v s="$seconds" \
        'BEGIN { printf "%.1f", 100 * (b - a) / hz / s }'
}

measure() {
    local label=$1 pid share
    "$vura" "$work/$2" 2>/dev/null &
    pid=$!
    share=$(cpu_share $pid)
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    printf "  %-44s %5s %% of a core\n" "$label" "$share"
}

background='    call SetLayerCount(7)
    call SetMaskCount(7)
    call LoadLayer(3, "room")
    call SetLayerSourceRect(3, 0, 0, -1, -1)
    call SetLayerVisible(3, 1)
    call StartupGraphicEffect(-1, 1)'

make_game idle "$background
wait:
    call WaitClick(0)
    Jump 0 wait"

make_game mark "$background
    call LoadMask(3, \"clickmark_m\")
    call LoadLayer(2, \"clickmark\")
    call SetLayerMask(2, 3)
    call SetLayerVisible(2, 0)
    call SetMessageWindowCount(1)
    call SetMessageFont(0, \"ＭＳ ゴシック\", 24, 400)
    call SetMessageTextColor(0, 255, 255, 255)
    call SetMessageWindowRect(0, 16, 328, 608, 140, 48, 346, 520, 96)
    call SetMessageSpeed(0, 30)
    call SetAnimation(0, 2, 590, 436, 0, 0, 24, 24, 4, 120)
    call SetAnimationEnabled(0, 1)
wait:
    call MessageFlowReady(0, \"クリックを待っています。\\w\\p\", 0, 0)
    Jump 0 wait"

# Two pictures, one over the other, crossfading back and forth without end (120 steps of
# 16 ms each way). Common int 0 is the transitions' switch, off in a new game.
make_game fade "$background
    PushRef 0 12
    PushConst 0 1
    Assign
    Pop
    call LoadLayer(0, \"title\")
    call SetLayerSourceRect(0, 0, 0, -1, -1)
fade:
    call SetLayerVisible(0, 1)
    call StartupGraphicEffect(0, 120, false, 3)
    call SetLayerVisible(0, 0)
    call StartupGraphicEffect(0, 120, false, 3)
    Jump 0 fade"

echo "The engine in a real window, ${seconds} s each:"
measure "waiting on a click, nothing moving" idle
measure "waiting on a click, the mark animating" mark
measure "a running crossfade" fade

# Start-up: from starting the program to the first picture of the demo in the window (its
# opening movie's first picture), the median of five runs. Where the machine has no sound
# device, SDL's search for one (ALSA reading its whole configuration) takes a good part of it,
# so the figure is also given with SDL's dummy sound driver, which answers at once as a
# desktop's sound server does.
startup() {
    local times=() run fifo start end pid
    for run in 1 2 3 4 5; do
        fifo=$work/trace-$1-$run
        mkfifo "$fifo"
        start=$(date +%s%N)
        "$vura" --trace "$demo" 2> "$fifo" &
        pid=$!
        grep -m1 -q "first picture presented" < "$fifo" || true
        end=$(date +%s%N)
        kill $pid 2>/dev/null || true
        wait $pid 2>/dev/null || true
        times+=($(( (end - start) / 1000000 )))
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    printf "  %-44s %5s ms (runs: %s)\n" "start-up to the first picture$2" "$median" "${times[*]}"
}
startup machine ""
SDL_AUDIODRIVER=dummy startup dummy ", dummy sound"
