#!/usr/bin/env bash
# Runs clang-tidy 14 with the checks of .clang-tidy over the sources of src/ and apps/ (with
# --tests, of tests/, bench/ and fuzz/ too), or over the files named. Prints each finding once
# (a header's is met by every file that includes it) and exits 1 when there is one.
#   scripts/tidy.sh [--tests] [FILE...]
# Slow: some ten minutes for src/ and apps/ on two cores (10 min of CPU); not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR=1

areas='src|apps'
if [ "${1:-}" = "--tests" ]; then
  areas='src|apps|tests|bench|fuzz'
  shift
fi

scripts/setup.sh tidy
# The compile database names every file with its flags; the build tree's files (moc, resources)
# are generated, not ours, and left out.
cmake -S . -B build -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > /dev/null
if (($#)); then
  files=("$@")
else
  mapfile -t files < <(python3 - "$(pwd)" "$areas" <<'EOF'
import json, re, sys
top, areas = sys.argv[1], sys.argv[2]
ours = re.compile(re.escape(top) + r"/(" + areas + r")/")
names = {entry["file"] for entry in json.load(open("build/compile_commands.json"))}
print("\n".join(sorted(name for name in names if ours.match(name))))
EOF
)
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$(date +%s)
# The flags are GCC's: clang knows some of its warning options by no name. Only our own headers
# are looked at, not the generated ones of the build tree.
printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -I{} sh -c \
    'clang-tidy-14 -p build --quiet --header-filter="$3" \
       --extra-arg=-Wno-unknown-warning-option "$1" \
       > "$2/$(echo "$1" | tr / _).log" 2>&1 || true' sh {} "$out" "^$(pwd)/($areas)/"

status=0
python3 - "$out" <<'EOF' || status=$?
import pathlib, re, sys
head = re.compile(r"^\S+:\d+:\d+: (warning|error): ")
seen, findings = set(), []
for log in sorted(pathlib.Path(sys.argv[1]).glob("*.log")):
    block = None
    for line in log.read_text(errors="replace").splitlines():
        if head.match(line):
            block = None if line in seen else [line]
            if block:
                seen.add(line)
                findings.append(block)
        elif block is not None and not re.match(r"^\d+ (warning|error)s? (generated|treated)", line):
            block.append(line)
for block in findings:
    print("\n".join(block))
print(f"{len(findings)} finding(s)", file=sys.stderr)
sys.exit(1 if findings else 0)
EOF
status=$?
echo "clang-tidy: ${#files[@]} file(s) in $(( $(date +%s) - start )) s" >&2
exit $status
