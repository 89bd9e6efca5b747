# The checks of a shell test, sourced by each: `check WHAT COMMAND...` runs
# the command and prints "ok: WHAT" or "FAIL: WHAT"; `checks_done` prints
# the counts and fails unless every check passed.
passed=0 failed=0
check() {
  if "${@:2}"; then
    echo "ok: $1" && passed=$((passed + 1))
  else
    echo "FAIL: $1" && failed=$((failed + 1))
  fi
}
checks_done() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
}
# Runs the command without its output.
quietly() { "$@" >/dev/null 2>&1; }
# Whether the text is the one expected; says what it is when not.
same() { [[ "$1" == "$2" ]] || { echo "  [$1], not [$2]" && false; }; }
