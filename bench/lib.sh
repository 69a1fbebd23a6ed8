# Shared by the whole-process benchmarks: a work directory and a private X server, removed at exit, wall-time
# measurement and medians.
# shellcheck shell=bash

work=""
xvfb_pid=""
bench_cleanup() {
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
    if [ -n "$work" ]; then
        chmod -R u+w "$work" 2>/dev/null || true # the disc cache is read-only
        rm -rf "$work"
    fi
}

# Makes $work with a private runtime directory and starts Xvfb at 1024x768 in true colour (DISPLAY exported);
# both go at exit.
start_bench() {
    work=$(mktemp -d)
    trap bench_cleanup EXIT
    trap 'exit 1' INT TERM
    mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
    # -noreset: a server that resets after each run refuses the next run that connects meanwhile.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
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
