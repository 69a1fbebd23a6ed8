# Shared by the whole-process benchmarks, which source it after making their work directory $work: a private
# X server, wall-time measurement and medians.
# shellcheck shell=bash

xvfb_pid=""
# Starts Xvfb at 1024x768 in true colour and exports its DISPLAY; its process is in $xvfb_pid for the cleanup.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || { echo "Xvfb did not start" >&2 && exit 1; }
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
}

elapsed_ms() { # command: runs it and prints its wall time in milliseconds; a failed run ends the benchmark
    local start end
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>"$work/stderr"; then
        echo "$* failed:" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

median() { # numbers on stdin
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
