#!/usr/bin/env bash
# A headless recording over a pseudo-terminal: kelvor-phone-sim serves a simulated phone on it,
# kelvor-cli records from it through our serial link for a few seconds and saves a .run file.
# Every record the phone sent must have been recorded, and the .run file must read back.
# Usage: pty_recording.sh CLI SIM OUTDIR [SECONDS] [RATE]
set -euo pipefail
cli=$1 sim=$2 out=$3 seconds=${4:-2} rate=${5:-20000}
mkdir -p "$out"
rm -f "$out/pty.run" "$out/pty.asc"

coproc SIM { exec "$sim" --pty --rate "$rate" --records $((rate * (seconds + 10))); }
sim_pid=$SIM_PID
trap 'kill -TERM "$sim_pid" 2>/dev/null || true' EXIT
read -r -t 60 device <&"${SIM[0]}" || { echo "kelvor-phone-sim printed no device"; exit 1; }
echo "phone on $device"

status=0
"$cli" --quiet --record "$seconds" --link "serial:$device" --run "$out/pty.run" \
  2>"$out/cli.err" || status=$?
cat "$out/cli.err"
kill -TERM "$sim_pid"
read -r -t 10 sent_line <&"${SIM[0]}" || true
wait "$sim_pid" || true
trap - EXIT
echo "phone: $sent_line"
[ "$status" -eq 0 ] || { echo "kelvor-cli failed with status $status"; exit 1; }

sent=${sent_line#records sent: }
recorded=$(sed -n 's/^Recorded \([0-9]*\) records.*/\1/p' "$out/cli.err")
if [ -z "$recorded" ] || [ "$recorded" -eq 0 ] || [ "$sent" != "$recorded" ]; then
  echo "records sent: $sent, recorded: ${recorded:-none}"
  exit 1
fi
"$cli" --quiet --asc "$out/pty.asc" "$out/pty.run"
[ -s "$out/pty.asc" ] || { echo "the recording's .run file gave no statistics"; exit 1; }
echo "records sent = records recorded = $recorded"
