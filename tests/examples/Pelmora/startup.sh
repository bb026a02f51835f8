#!/bin/sh
# Starts the pelmora program as the README does, from the top of the source
# tree and with the sample torus as its argument, and checks that it is still
# running a few seconds later, printed its start-up line, loaded the torus and
# said no error of Coin or Qt. The program only ends through its window, so
# the check ends it with a signal.
set -u
program=$1
top=$2
cd "$top" || exit 1
log=$(mktemp)
trap 'rm -f "$log"' EXIT

"$program" models/torus.iv >"$log" 2>&1 &
pid=$!
sleep 4
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "pelmora ended by itself (status $?):"
  cat "$log"
  exit 1
fi
kill "$pid"
wait "$pid" 2>/dev/null

cat "$log"
grep -q "^Creating the scene \.\.\.$" "$log" || { echo "no start-up line"; exit 1; }
grep -q "^Model loaded!$" "$log" || { echo "the model named on the command line was not loaded"; exit 1; }
if grep -E -i "coin (read )?error|coin warning|qt\.qpa.*(error|fail)|segmentation" "$log"; then
  echo "errors while starting"
  exit 1
fi
exit 0
