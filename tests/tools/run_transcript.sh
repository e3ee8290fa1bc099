#!/usr/bin/env bash
# Runs one transcript case through the real zoq binary and compares what it prints
# with the expected file.
#
#   run_transcript.sh ZOQ_BINARY path/to/name.zoq
#
# Beside name.zoq:
#   name.out    expected output (required): standard output and standard error merged,
#               normalised (below), each run followed by a line "[exit N]".
#   name.args   optional; one run per line, the words are zoq's arguments, @FILE@ stands
#               for the command file, a line @NONE@ is a run without arguments. Without
#               it there is one run: "-b @FILE@".
#   name.stdin  optional; fed to the standard input of every run (else /dev/null).
#   name.stdin.sh  optional, instead of name.stdin: a bash script whose output is fed
#               to the standard input (for long generated input).
#   name.home/  optional; copied into the fresh HOME folder before the first run.
#   name.slow   optional marker; the case gets the ctest label "slow".
#
# Every case runs in a fresh temporary working folder holding a copy of name.zoq, with a
# fresh temporary HOME, a fixed terminal width and the C locale, and with a marker folder
# of its own (ZOQ_MARKER_FOLDER: the run-control and trace markers that other programs on
# the machine create in /tmp do not reach it). No run has a wall-clock limit, which a
# loaded machine could miss: a hanging case is ended by the time limit of its ctest case.
# Volatile text is
# normalised: the banner's host, build date and time; the date after "Started "; the
# temporary folders (<HOME>, <WORK>); CPU times printed as "<number> sec", with the blanks
# that pad them to a width (one blank is kept); the memory
# total of the run statistics ("Memory allocation <mem>"); the rounding noise of the S
# checks ("Maximal deviation: <below 1e-7>", larger deviations stay as printed).
#
# Set ZOQ_TRANSCRIPT_UPDATE=1 to print the normalised output instead of comparing
# (for reading it, never for writing the expected file blindly).
set -u
zoq=$(realpath "$1")
case_file=$(realpath "$2")
case_dir=$(dirname "$case_file")
name=$(basename "$case_file" .zoq)
expected="$case_dir/$name.out"

work=$(mktemp -d)
home=$(mktemp -d)
markers=$(mktemp -d)
trap 'rm -rf "$work" "$home" "$markers"' EXIT

cp "$case_file" "$work/$name.zoq"
if [ -d "$case_dir/$name.home" ]; then
  cp -R "$case_dir/$name.home/." "$home/"
fi
stdin_file=/dev/null
[ -f "$case_dir/$name.stdin" ] && stdin_file="$case_dir/$name.stdin"
if [ -f "$case_dir/$name.stdin.sh" ]; then
  stdin_file="$work/.generated_stdin"
  bash "$case_dir/$name.stdin.sh" > "$stdin_file"
fi

if [ -f "$case_dir/$name.args" ]; then
  mapfile -t runs < "$case_dir/$name.args"
else
  runs=("-b @FILE@")
fi

raw="$work/.raw_output"
: > "$raw"
for run in "${runs[@]}"; do
  [ -z "$run" ] && continue
  args=()
  for word in $run; do
    [ "$word" = "@NONE@" ] && continue
    [ "$word" = "@FILE@" ] && word="$name.zoq"
    args+=("$word")
  done
  (cd "$work" && HOME="$home" ZOQ_MARKER_FOLDER="$markers" COLUMNS=120 LINES=50 TZ=UTC LC_ALL=C \
     "$zoq" "${args[@]}" < "$stdin_file" >> "$raw" 2>&1)
  status=$?
  echo "[exit $status]" >> "$raw"
done

normalised="$work/.normalised_output"
sed -E \
  -e 's#^Zoq( \(on [^)]*\))?, version ([0-9.]+), compiled on .*, at .*$#Zoq (on <host>), version \2, compiled on <date>, at <time>#' \
  -e 's#^Started .*$#Started <date>#' \
  -e "s#$home#<HOME>#g" \
  -e "s#$work#<WORK>#g" \
  -e 's# +[0-9]+\.[0-9]+ sec# <t> sec#g' \
  -e 's#[0-9]+\.[0-9]+ sec#<t> sec#g' \
  -e 's#Memory allocation [0-9]+ (Bytes|KB|MB)#Memory allocation <mem>#g' \
  -e 's#^Maximal deviation: +([0-9.]+e-(0?[89]|[1-9][0-9]+)|0)$#Maximal deviation: <below 1e-7>#' \
  "$raw" > "$normalised"

if [ "${ZOQ_TRANSCRIPT_UPDATE:-0}" = 1 ]; then
  cat "$normalised"
  exit 0
fi
if [ ! -f "$expected" ]; then
  echo "missing expected output $expected; the run printed:"
  cat "$normalised"
  exit 1
fi
diff -u "$expected" "$normalised"
