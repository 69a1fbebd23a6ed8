#!/usr/bin/env bash
# The private X server of a test run survives other runs starting theirs at the same moment: an X server
# that reports a display another server holds is not used, and a new one is started in its place.
# Usage: display_test.sh TAVOX95 SAMPLE_CD [BUILD_DIR]
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$(realpath "$0")")/lib.sh"

# Another run's server, told apart from ours by its screen size.
Xvfb -displayfd 3 -screen 0 320x200x24 -nolisten tcp 3>"$work/other-display" 2>"$work/other.log" &
other_pid=$!
trap 'kill "$other_pid" 2>/dev/null || true; wait "$other_pid" 2>/dev/null || true; e2e_cleanup' EXIT
deadline=$((SECONDS + e2e_timeout_s))
until [ -s "$work/other-display" ] || [ "$SECONDS" -ge "$deadline" ]; do
    sleep 0.1
done
other=$(head -n 1 "$work/other-display")

# The first server started reports the other run's display, as a server that lost a race for it would;
# the later ones are real.
mkdir "$work/bin"
cat >"$work/bin/Xvfb" <<SCRIPT
#!/usr/bin/env bash
if mkdir "$work/collided" 2>/dev/null; then
    echo "$other" >&3
    exec sleep 600
fi
exec "$(command -v Xvfb)" "\$@"
SCRIPT
chmod +x "$work/bin/Xvfb"
PATH="$work/bin:$PATH"

start_display
expect "the first server was the colliding one" "$([ -d "$work/collided" ] && echo yes || echo no)" yes
expect "the display in use is not the other run's" "$([ "$DISPLAY" != ":$other" ] && echo own || echo other)" own
expect "the display in use is our own server's" "$(xdotool getdisplaygeometry)" "1024 768"

e2e_result
