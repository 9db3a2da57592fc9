#!/usr/bin/env bash
# Checks the layout of every C++ file against .clang-format, every shell
# script with shellcheck and every Python file with flake8; any finding fails
# the run. Build folders, which lie at the top of the tree, are not read.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0

mapfile -d '' cxx < <(find src tests tools bench fuzz examples -type f \
  \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) -print0 | sort -z)
if ! clang-format --dry-run -Werror "${cxx[@]}"; then
  status=1
fi
# clang-format 14 (Debian 12) and 19 (Debian 13) lay these forms out
# differently, so whichever is installed, the other would fail the tree:
# `struct T Name {};`, a named pointer-to-member declarator, an unnamed
# struct with its variables on one line (see .clang-format for what to write
# instead).
if grep -nE '^\s*(const )?struct [A-Za-z_][A-Za-z0-9_]* [A-Za-z_][A-Za-z0-9_]* ?\{\};|[A-Za-z_]::\* ?[A-Za-z_]|struct \{[^}]*\} [A-Za-z_]' \
  "${cxx[@]}"; then
  echo "lint: the lines above read differently to clang-format 14 and 19" >&2
  status=1
fi

# Scripts are known by their extension or, like .ci/run, by their first line.
scripts=()
while IFS= read -r -d '' file; do
  case "$file" in
    *.sh) scripts+=("$file") ;;
    *) head -n 1 "$file" | grep -qE '^#!.*\b(ba|da|k)?sh\b' && scripts+=("$file") ;;
  esac
done < <(find . -path ./.git -prune -o -path './build*' -prune -o -type f \
  \( -name '*.sh' -o -perm -u+x \) -print0 | sort -z)
if ! shellcheck "${scripts[@]}"; then
  status=1
fi

# Python, with the C++ column limit: flake8 5 (Debian 12) and 7 (Debian 13)
# give the tree the same verdict.
mapfile -d '' python < <(find tests tools -type f -name '*.py' -print0 | sort -z)
if ! flake8 --max-line-length=100 "${python[@]}"; then
  status=1
fi

echo "lint: ${#cxx[@]} C++ files, ${#scripts[@]} shell scripts, ${#python[@]} Python files," \
  "$([ $status -eq 0 ] && echo clean || echo findings)"
exit $status
