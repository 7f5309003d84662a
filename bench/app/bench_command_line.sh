#!/usr/bin/env bash
# Times the command line as whole processes, the way scripts meet it: --version, --help, verify of a
# one-byte file, compose of a 24-pair transcript with and without --pdf (and its peak memory), 1,000
# templates composed in one call, and the office suite's headless conversion of the same transcript
# as the yardstick. Beside them the floors: Qt programs that only print a line. With an earlier
# quillon executable (its set.ini beside it), its figures are taken in the same run.
# Usage: bench/app/bench_command_line.sh [BUILD_DIR] [EARLIER_QUILLON]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
earlier=${2:-}
for tool in hyperfine python3 soffice; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: ./deps/install.sh deps/bench.txt" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: ./deps/install.sh deps/bench.txt" >&2; exit 1; }
[[ -x $build/quillon && -x $build/bench/app/reference_line_core ]] || { echo "build $build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/earlier-home" "$work/batch" "$work/results"
cp "$build/set.ini" "$work/home/"
cp "$build/set.ini" "$work/earlier-home/"
printf 'x' >"$work/one"
(cd "$work" && sha256sum one >one.sha256)

# The shipped example with all 24 pairs filled, and 1,000 transcripts of as many interviewees.
python3 - "$source_dir/resources/example/example.ini" "$work" <<'EOF'
import sys
source, work = sys.argv[1], sys.argv[2]
lines = open(source, 'rb').read().decode('gb18030').splitlines()
def template(name):
    out = []
    for line in lines:
        key, eq, value = line.partition('=')
        if key.startswith('num') and key[3:].isdigit() and 55 <= int(key[3:]) <= 70:
            n = int(key[3:])
            value = f'问：请说明第{n}项补充情况，包括时间、地点、在场人员和经过？' if n % 2 else \
                    f'答：第{n}项情况属实，当时在场的有项目经理、记录员和两名班组长，具体经过已如实说明。'
        if key == 'num10':
            value = name
        out.append(key + eq + value)
    return ('\r\n'.join(out) + '\r\n').encode('gb18030')
open(f'{work}/T.ini', 'wb').write(template('张建国'))
for i in range(1000):
    open(f'{work}/batch/{i:04d}.ini', 'wb').write(template(f'张建国{i:04d}'))
EOF

# hyperfine's median of a command, in a JSON file named after the row.
time_row() {
  local row=$1 runs=$2
  shift 2
  hyperfine --ignore-failure -N --warmup 2 --runs "$runs" --export-json "$work/results/$row.json" "$@" >/dev/null 2>&1
}
# The median peak resident memory of five runs, in MB.
peak_row() {
  local row=$1
  shift
  for _ in 1 2 3 4 5; do /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; done >"$work/results/$row.rss"
}

for who in new earlier; do
  if [[ $who == new ]]; then q=$build/quillon; export QUILLON_HOME=$work/home; else
    [[ -n $earlier ]] || continue
    q=$earlier; export QUILLON_HOME=$work/earlier-home
  fi
  time_row "$who-version" 30 "$q --version"
  time_row "$who-help" 30 "$q --help"
  time_row "$who-verify" 30 "$q verify $work/one"
  time_row "$who-compose" 20 "$q compose $work/T.ini --force"
  time_row "$who-pdf" 20 "$q compose $work/T.ini --force --pdf $work/$who.pdf"
  peak_row "$who-pdf" "$q" compose "$work/T.ini" --force --pdf "$work/$who.pdf"
done
export QUILLON_HOME=$work/home
time_row floor-core 30 "$build/bench/app/reference_line_core"
time_row floor-gui 30 "$build/bench/app/reference_line_gui"

# The office suite converts the composed transcript into a Word 97-2003 document, in a profile of
# its own that a first run has made.
document=$(ls "$work/home/BL/"*张建国.doc)
profile="-env:UserInstallation=file://$work/profile"
soffice "$profile" --headless --convert-to doc --outdir "$work/office" "$document" >/dev/null 2>&1
time_row office 5 "soffice $profile --headless --convert-to doc --outdir $work/office $document"

# 1,000 templates in one call, each run into an empty BL.
batch=$(printf '%s ' "$work"/batch/*.ini)
hyperfine -N --runs 3 --prepare "rm -rf $work/home/BL" --export-json "$work/results/new-batch.json" \
  "$build/quillon compose $batch" >/dev/null 2>&1
written=$(ls "$work/home/BL/"*张建国[0-9]*.doc | wc -l)

python3 - "$work/results" "$written" <<'EOF'
import json, os, statistics, sys
results, written = sys.argv[1], int(sys.argv[2])
def ms(row):
    path = f'{results}/{row}.json'
    return json.load(open(path))['results'][0]['median'] * 1000 if os.path.exists(path) else None
def mb(row):
    path = f'{results}/{row}.rss'
    return statistics.median(int(v) for v in open(path).read().split()) / 1024 if os.path.exists(path) else None
def cell(value, unit):
    return f'{value:8.1f} {unit}' if value is not None else '       —   '
print(f'{"command":40} {"this build":>12} {"earlier":>12}')
for label, row in [('quillon --version', 'version'), ('quillon --help', 'help'), ('quillon verify (1 byte)', 'verify'),
                   ('quillon compose (24 pairs)', 'compose'), ('quillon compose --pdf', 'pdf')]:
    print(f'{label:40} {cell(ms("new-" + row), "ms")} {cell(ms("earlier-" + row), "ms")}')
print(f'{"quillon compose --pdf, peak memory":40} {cell(mb("new-pdf"), "MB")} {cell(mb("earlier-pdf"), "MB")}')
batch = ms('new-batch')
print(f'{"quillon compose, 1,000 templates":40} {cell(batch, "ms")}   ({written} documents)')
office = ms('office')
print(f'{"office suite, headless conversion":40} {cell(office, "ms")}')
print(f'{"  its time / compose":40} {office / ms("new-compose"):8.1f} x')
print(f'{"QtCore program printing a line":40} {cell(ms("floor-core"), "ms")}')
print(f'{"offscreen GUI program printing a line":40} {cell(ms("floor-gui"), "ms")}')
EOF
echo "Start to the visible window (in-process, offscreen):"
"$build/bench/app/bench_startup" --benchmark_filter=StartupToIdleWindow 2>/dev/null | grep StartupToIdleWindow
